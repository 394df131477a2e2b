#pragma once

#include "DataStructureManager.h"

// Sends the six read requests of a read-out (device, settings, the four profiles) as the window does.
inline void requestEverything(DataStructureManager& store) {
    store.sendToAdapter(store.pc2l01Packet->toData());
    store.updatePC2L02Packet(0, 0);
    store.sendToAdapter(store.pc2l02Packet->toData());
    for (int i = 0; i < 4; ++i) {
        store.updatePC2L03PacketRW(i, 0);
        store.sendToAdapter(store.pc2l03Packets[size_t(i)].toData());
    }
}
