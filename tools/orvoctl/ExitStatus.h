#pragma once

// orvoctl's exit statuses; each failure class has its own, so scripts can tell them apart.
namespace ExitStatus {
inline constexpr int kSuccess = 0;
inline constexpr int kOtherError = 1;       // the port failed in another way
inline constexpr int kBadInput = 2;         // command line, JSON or a field of it
inline constexpr int kNoAdapter = 3;        // no adapter port, or the given port is not there
inline constexpr int kPermissionDenied = 4; // the port exists but may not be opened
inline constexpr int kPortBusy = 5;         // another program holds the port
inline constexpr int kNoAnswer = 6;         // the adapter did not answer every part of the read-out
inline constexpr int kInterrupted = 7;      // the write stopped part-way (unplugged, write failed)
inline constexpr int kNotVerified = 8;      // written, but the adapter reads back other values
inline constexpr int kBackupFailed = 9;     // the backup could not be written; nothing was sent
inline constexpr int kLibraryFailed = 10;   // the lens library did not read, was locked or not written
} // namespace ExitStatus
