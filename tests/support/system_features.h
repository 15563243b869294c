// What some tests need that not every system has. Such a test starts with
// SKIP_WITHOUT(feature): where the system lacks it, the test is reported as
// skipped, with the reason.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace testing_support {

enum class SystemFeature {
    fileSizeLimit,        // RunOptions::fileSizeLimit, a disk that fills during a write
    endlessFile,          // /dev/zero, a file that never ends
    newFileMask,          // permission bits, and the mask a new file's are taken from
    unwritableFolder,     // a folder in which this user cannot create files
    posixShell,           // /bin/sh and the AVR toolchain it runs
    readOnlyFileRefused,  // a read-only file that no replacement may touch
    openFileRefused,      // a file held open by another program that cannot be replaced
    unreadableFile,       // a file whose permission bits keep this user from reading it
    interruptSignal,      // runInterrupted: SIGINT, SIGTERM and SIGHUP sent mid-write
    namedPipe,            // makeNamedPipe, a FIFO
    symbolicLink,         // std::filesystem::create_symlink as any user may
    longFileName,         // a 255-byte file name in the temporary folder
    fullDevice,           // /dev/full, where every write fails for want of space
};

// Why this system lacks `feature`; empty when it has it.
std::string missingFeature(SystemFeature feature);

// Sets the mask new files' permission bits are taken from (the child processes
// inherit it) and returns the one before; only after SKIP_WITHOUT(newFileMask).
int setNewFileMask(int mask);

// Makes a FIFO named `path`; only after SKIP_WITHOUT(namedPipe).
void makeNamedPipe(const std::filesystem::path& path);

// Sets this process's file-size limit in bytes (-1: none), with SIGXFSZ
// ignored so that a write past it fails; only after SKIP_WITHOUT(fileSizeLimit).
void setFileSizeLimit(long long bytes);

}  // namespace testing_support

#define SKIP_WITHOUT(feature)                                                             \
    if (std::string why =                                                                 \
            ::testing_support::missingFeature(::testing_support::SystemFeature::feature); \
        !why.empty())                                                                     \
    GTEST_SKIP() << why
