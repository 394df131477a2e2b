#pragma once

#include "AdapterTestEnvironment.h"
#include "DataStructureManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ReadOutRequests.h"

#include <memory>

// The packet store against adapters in the ports folder, with what it announces recorded. Each case
// ends with the store's connection closed.
class StoreTest : public AdapterTest {
protected:
    void TearDown() override {
        store->serialController->disconnect();
        runUntil([&] { return !store->getConnectionStatus().isConnected(); }, 1000);
        store.reset();
        AdapterTest::TearDown();
    }

    // Connects to the first adapter port (or the remembered one) and waits for the nth connection.
    bool connectAndWait(int connections = 1) {
        return store->autoConnect() &&
               runUntil([&] { return recorder.count(NotificationNames::PortConnected) == connections; });
    }

    int receivedPackets() const {
        using namespace NotificationNames;
        return recorder.count(L2PC01PacketReceived) + recorder.count(L2PC02PacketReceived) +
               recorder.count(L2PC03PacketReceived);
    }

    std::unique_ptr<DataStructureManager> store = std::make_unique<DataStructureManager>();
    NotificationRecorder recorder{{NotificationNames::PortConnected, NotificationNames::PortDisconnected,
                                   NotificationNames::PortOpenFailed, NotificationNames::UpdatePrintView,
                                   NotificationNames::L2PC01PacketReceived,
                                   NotificationNames::L2PC02PacketReceived,
                                   NotificationNames::L2PC03PacketReceived}};
};
