#pragma once

// Names of the notifications the application posts on the default notification centre.
namespace NotificationNames {
inline constexpr char L2PC01PacketReceived[] = "L2PC01PacketReceived";
inline constexpr char L2PC02PacketReceived[] = "L2PC02PacketReceived";
inline constexpr char L2PC03PacketReceived[] = "L2PC03PacketReceived";
inline constexpr char PortConnected[] = "PortConnected";
inline constexpr char PortDisconnected[] = "PortDisconnected";
// A port could not be opened; the object is its path.
inline constexpr char PortOpenFailed[] = "PortOpenFailed";
// A new port appeared (plugged in, or a link in the ports folder); no object.
inline constexpr char PortsArrived[] = "PortsArrived";
// A packet write ended; the user information holds the keys below.
inline constexpr char PacketWriteFinished[] = "PacketWriteFinished";
inline constexpr char WriteIdKey[] = "writeId";
inline constexpr char ConnectionKey[] = "connection";
inline constexpr char ErrorCodeKey[] = "errorCode";
inline constexpr char UpdatePrintView[] = "UpdatePrintView";
inline constexpr char LanguageDidChange[] = "LanguageDidChange";
inline constexpr char ApplicationWillTerminate[] = "ApplicationWillTerminate";
inline constexpr char RequestPrintViewContent[] = "RequestPrintViewContent";
inline constexpr char SavePrintViewContent[] = "SavePrintViewContent";
} // namespace NotificationNames
