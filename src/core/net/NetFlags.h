#pragma once

#include <cstdint>

// Flag values as published by the platform's internet library.
constexpr uint32_t INTERNET_FLAG_RELOAD = 0x80000000;
constexpr uint32_t INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr uint32_t FTP_TRANSFER_TYPE_ASCII = 1;
constexpr uint32_t FTP_TRANSFER_TYPE_BINARY = 2;
constexpr uint32_t GENERIC_READ = 0x80000000;
constexpr uint32_t GENERIC_WRITE = 0x40000000;
// Ours: a folder search lists with LIST even where MLSD is offered, since
// only LIST's long lines mark links.
constexpr uint32_t FIND_FLAG_LONG_LIST = 0x00100000;

// Bounds of every network step, in milliseconds.
struct CFtpTimeouts {
    int connectMs = 30000;   // resolving and connecting, control and passive data
    int replyMs = 60000;     // one complete control reply
    int dataMs = 60000;      // one data block (time without progress)
    int acceptMs = 10000;    // the server connecting to us in active mode
};
