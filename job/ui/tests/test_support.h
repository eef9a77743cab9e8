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
#include "testing/modal_dialog.h"
#include "testing/qt_test_main.h"

// Collects the validation messages a dialog shows while it lives, instead of opening message
// boxes: handed to the dialog, or (Hook) to whoever opens one.
class MessageCapture {
public:
    MessageCapture() = default;
    explicit MessageCapture(caelvane::CExchangeDialog* dialog) : m_dialog(dialog) {
        m_dialog->SetMessageHook(Hook());
    }
    ~MessageCapture() {
        if (m_dialog != nullptr) m_dialog->SetMessageHook({});
    }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    caelvane::ExchangeMessageHook Hook() {
        return [this](QWidget*, const QString& text) { messages << text; };
    }

    QStringList messages;

private:
    caelvane::CExchangeDialog* m_dialog = nullptr;
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
using caelvane::testing::WhenModalOpens;

// Every test class registers itself; main runs them all.
template <typename T>
using TestRegistration = caelvane::testing::Register<T>;
