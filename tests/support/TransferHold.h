#pragma once

#include "model/SiteInfo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

// A transfer's hold on a site: another thread owns the record's in-use lock
// from construction until the object goes, as a running transfer would.
class TransferHold {
public:
    explicit TransferHold(CVamloSiteInfo& site)
    {
        std::promise<void> locked;
        std::future<void> isLocked = locked.get_future();
        std::future<void> released = m_release.get_future();
        m_thread = std::thread([&site, &locked, released = std::move(released)]() mutable {
            std::lock_guard<std::mutex> hold(site.m_mutexInUse);
            locked.set_value();
            released.wait_for(std::chrono::seconds(60));
        });
        EXPECT_EQ(isLocked.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    }
    ~TransferHold()
    {
        m_release.set_value();
        m_thread.join();
    }
    TransferHold(const TransferHold&) = delete;
    TransferHold& operator=(const TransferHold&) = delete;

private:
    std::promise<void> m_release;
    std::thread m_thread;
};
