#pragma once
#include <string>
#include <vector>

#include "platform/drawing_device.h"
#include "platform/host_services.h"

// A surface that draws nothing: a drawing on it only leaves the chart state as the drawing of
// that page would.
class CNullDevice : public CDrawingDevice {
public:
    void Begin() override {}
    void End() override {}
    void SetPenColor(COLORREF) override {}
    void SetPenWidth(int) override {}
    void SelectFont(std::string_view, int, int) override {}
    void Line(int, int, int, int) override {}
    void Circle(int, int, int, int) override {}
    void Text(int, int, std::string_view) override {}
};

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
