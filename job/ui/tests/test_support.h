#pragma once
#include <QApplication>
#include <QLineEdit>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/document.h"
#include "platform/qt/data_exchange.h"

// Collects the validation messages shown while it lives, instead of opening message boxes.
class MessageCapture {
public:
    MessageCapture()
        : m_previous(caelvane::SetExchangeMessageHook(
              [this](QWidget*, const QString& text) { messages << text; })) {}
    ~MessageCapture() { caelvane::SetExchangeMessageHook(m_previous); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QStringList messages;

private:
    caelvane::ExchangeMessageHook m_previous;
};

// Counts the repaint requests a document sends its views.
class CountingView : public CView {
public:
    void OnUpdate(CView* sender, long hint) override {
        ++updates;
        lastSender = sender;
        lastHint = hint;
    }
    int updates = 0;
    CView* lastSender = reinterpret_cast<CView*>(1);
    long lastHint = -1;
};

template <typename T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control named %s", name);
    return child;
}

inline void SetText(QWidget* parent, const char* name, const QString& text) {
    Child<QLineEdit>(parent, name)->setText(text);
}

// Runs `act` on the modal dialog once the command under test has opened it.
inline void WhenModalOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) qFatal("no modal dialog is open");
        act(modal);
    });
}

// Every test class registers itself; main runs them all.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
inline std::vector<TestFactory>& RegisteredTests() {
    static std::vector<TestFactory> tests;
    return tests;
}
template <typename T>
struct TestRegistration {
    TestRegistration() {
        RegisteredTests().push_back([] { return std::make_unique<T>(); });
    }
};
