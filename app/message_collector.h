#pragma once
#include <string>
#include <vector>

#include "platform/host_services.h"

// The host's clock and zone with the messages kept instead of shown.
class CMessageCollector : public caelvane::CHostServices {
public:
    explicit CMessageCollector(caelvane::CHostServices& host) : m_host(host) {}
    caelvane::LocalDate Today() const override { return m_host.Today(); }
    caelvane::TimeZoneRule ZoneRule() const override { return m_host.ZoneRule(); }
    void MessageBox(const std::string& text) override { m_messages.push_back(text); }
    const std::vector<std::string>& Messages() const { return m_messages; }

private:
    caelvane::CHostServices& m_host;
    std::vector<std::string> m_messages;
};
