#pragma once

// For the main window's tests: the window with English texts and folders of the test's own, the adapter
// simulator plugged beside it, fields typed into as a user types, and alerts answered as a case says.

#include "EventLoop.h"
#include "IsolatedEnvironment.h"
#include "LocalizationManager.h"
#include "ORVODialogs.h"
#include "ORVOPresentation.h"
#include "SerialPortManager.h"
#include "SharedConnection.h"
#include "SimulatorProcess.h"
#include "ViewController.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

inline QString text(const char* key) {
    return LocalizationManager::text(key);
}

// Replaces what the field holds, key by key; beyond ASCII as an input method sends it.
inline void retype(QLineEdit* field, const QString& value) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    for (const QChar c : value) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
    }
    runFor(20);
}

inline std::unique_ptr<SimulatorProcess> plugSimulator(const QString& serial,
                                                       const QStringList& options = {}) {
    auto adapter = std::make_unique<SimulatorProcess>(
        QStringList{"--ports-dir", SerialPortManager::portsDirectory(), "--serial", serial} + options);
    EXPECT_FALSE(adapter->linkPath().isEmpty());
    return adapter;
}

// The window over a state folder of each case's own. Every alert takes the next of answers (0 once
// they run out); its text is kept in titles, and with the rest in alerts as "text | informative text |
// button, button".
class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { useIsolatedEnvironment(); }
    void SetUp() override {
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        ORVODialogs::setResponder([this](QMessageBox& alert, const QList<QPushButton*>& buttons) {
            QStringList names;
            for (const QPushButton* button : buttons) {
                names << button->text();
            }
            titles << alert.text();
            alerts << alert.text() + " | " + alert.informativeText() + " | " + names.join(", ");
            if (inspectAlert) {
                inspectAlert(alert);
            }
            return answers.isEmpty() ? 0 : answers.takeFirst();
        });
    }
    // A failed case shows the log: what the window told the user says most about what went wrong.
    void TearDown() override {
        if (HasFailure()) {
            std::cerr << controller.logText().toStdString() << '\n';
        }
        ORVODialogs::setResponder({});
        controller.performCleanup();
        adapter.reset();
        settleSharedConnection();
        qunsetenv("XDG_STATE_HOME");
    }

    // Plugs the simulator, shows the window and waits until the read-out has enabled Save.
    void plugAndRead(const QString& serial, const QStringList& options = {}) {
        adapter = plugSimulator(serial, options);
        const int before = logCount(text("messages.save_to_adapter_enabled"));
        controller.show();
        ASSERT_TRUE(
            runUntil([&] { return logCount(text("messages.save_to_adapter_enabled")) > before; }, 8000));
        runFor(100);
    }
    int logCount(const QString& part) const { return int(controller.logText().count(part)); }
    bool waitForLog(const QString& part, int timeoutMs = 5000) const {
        return runUntil([&] { return logCount(part) > 0; }, timeoutMs);
    }
    ORVOPresentation& presentation() const { return *controller.presentation; }

    QTemporaryDir state;
    ViewController controller;
    std::unique_ptr<SimulatorProcess> adapter;
    QStringList titles;
    QStringList alerts;
    QList<int> answers;
    std::function<void(QMessageBox&)> inspectAlert;
};
