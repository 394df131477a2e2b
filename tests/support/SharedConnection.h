#pragma once

#include "DataStructureManager.h"
#include "EventLoop.h"
#include "SerialPortManager.h"

#include <QFileInfo>
#include <algorithm>

// The store and the port list live for the whole process, while each case plugs adapters of its own
// and unplugs them when it ends. Call at the end of a case: closes the store's connection, waits
// until the port has closed and the port list has caught up with the ports folder, and delivers what
// that posted, so the next case starts with no connection, no stale port and nothing in flight.
inline void settleSharedConnection() {
    SerialController& controller = *DataStructureManager::shared().serialController;
    const SerialPortPtr port = controller.serialPort;
    controller.disconnect();
    SerialPortManager& manager = SerialPortManager::sharedSerialPortManager();
    runUntil([&] {
        manager.refresh();
        const SerialPortList ports = manager.availablePorts();
        return (!port || !port->isOpen()) && std::ranges::all_of(ports, [](const SerialPortPtr& p) {
                   return QFileInfo::exists(p->path());
               });
    });
    runFor(50);
}
