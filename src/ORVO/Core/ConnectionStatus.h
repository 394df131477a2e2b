#pragma once

#include <QString>

// Whether the adapter link is up: connected with the open port's path, or not connected with
// how many adapter ports and how many ports in all are present.
struct ConnectionStatus {
    enum class Kind { connected, notConnected };

    Kind kind = Kind::notConnected;
    QString portPath;
    int orvoPortCount = 0;
    int totalPortCount = 0;

    static ConnectionStatus connected(const QString& portPath) { return {Kind::connected, portPath, 0, 0}; }
    static ConnectionStatus notConnected(int orvoPortCount, int totalPortCount) {
        return {Kind::notConnected, {}, orvoPortCount, totalPortCount};
    }
    bool isConnected() const { return kind == Kind::connected; }
};
