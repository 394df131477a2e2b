#pragma once

#include "EventLoop.h"
#include "SerialPortManager.h"
#include "Settings.h"
#include "SimulatedAdapter.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

// The port list has caught up with a link that appeared (or, present false, went) in the ports folder.
inline bool waitForPort(const QString& path, bool present = true) {
    return runUntil([&] {
        const SerialPortList ports = SerialPortManager::sharedSerialPortManager().availablePorts();
        return std::ranges::any_of(ports, [&](const SerialPortPtr& port) { return port->path() == path; }) ==
               present;
    });
}

// A simulated adapter in this process, plugged into the ports folder and already in the port list.
inline std::unique_ptr<SimulatedAdapter> plugSimulatedAdapter(const QString& serial,
                                                              const AdapterSimulator::Options& protocol = {},
                                                              SimulatedAdapter::LineOptions line = {}) {
    line.portsDirectory = SerialPortManager::portsDirectory();
    line.serial = serial;
    auto adapter = std::make_unique<SimulatedAdapter>(protocol, line);
    EXPECT_TRUE(adapter->start()) << adapter->errorString().toStdString();
    EXPECT_TRUE(waitForPort(adapter->linkPath()));
    return adapter;
}

// A ports folder of the test binary's own and a settings file of each case's own.
class AdapterTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void SetUp() override { Settings::setFilePathForTesting(config.filePath("ORVO.conf")); }
    void TearDown() override { Settings::setFilePathForTesting({}); }

    QTemporaryDir config;
};
