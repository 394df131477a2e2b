#pragma once

#include "AdapterTestEnvironment.h"
#include "DataStructureManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"

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

    // The six read requests of a read-out, as the window sends them.
    void requestEverything() {
        store->sendToAdapter(store->pc2l01Packet->toData());
        store->updatePC2L02Packet(0, 0);
        store->sendToAdapter(store->pc2l02Packet->toData());
        for (int i = 0; i < 4; ++i) {
            store->updatePC2L03PacketRW(i, 0);
            store->sendToAdapter(store->pc2l03Packets[size_t(i)].toData());
        }
    }

    std::unique_ptr<DataStructureManager> store = std::make_unique<DataStructureManager>();
    NotificationRecorder recorder{{NotificationNames::PortConnected, NotificationNames::PortDisconnected,
                                   NotificationNames::PortOpenFailed, NotificationNames::UpdatePrintView,
                                   NotificationNames::L2PC01PacketReceived,
                                   NotificationNames::L2PC02PacketReceived,
                                   NotificationNames::L2PC03PacketReceived}};
};
