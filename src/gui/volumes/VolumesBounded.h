#pragma once

// The template body of RunBounded (declared in ui/Volumes.h).

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

template <typename T>
std::optional<T> RunBounded(std::function<T()> read, std::chrono::milliseconds limit)
{
    // Shared with the reader, which may outlive this call when a mount hangs.
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        std::optional<T> value;
        bool failed = false;
    };
    auto answer = std::make_shared<Answer>();
    try {
        std::thread([answer, read = std::move(read)] {
            std::optional<T> value;
            bool failed = false;
            try {
                value.emplace(read());
            } catch (...) {
                failed = true;
            }
            std::lock_guard<std::mutex> lock(answer->mutex);
            answer->value = std::move(value);
            answer->failed = failed;
            answer->ready.notify_all();
        }).detach();
    } catch (...) {
        return std::nullopt;   // no thread to be had: treat as no answer
    }
    std::unique_lock<std::mutex> lock(answer->mutex);
    answer->ready.wait_for(lock, limit, [&] { return answer->value.has_value() || answer->failed; });
    if (!answer->value)
        return std::nullopt;
    return std::move(answer->value);
}
