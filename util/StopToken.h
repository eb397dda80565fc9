// A cancellation token: a flag shared by the party that may ask for a stop and the search
// that honours it. Copies share the flag; a default token can never be requested. Setting
// and reading it are lock-free, so a signal handler or any thread may request a stop.
//
// A search honours the token of its thread: StopRequest::TokenScope installs one for as long
// as it lives, and StopRequest::Pending() is then true once the token is requested.
#pragma once

#include <atomic>
#include <memory>

class StopToken {
public:
    StopToken() = default;
    // A token that can be requested.
    static StopToken Make() {
        StopToken t;
        t.flag_ = std::make_shared<std::atomic<bool>>(false);
        return t;
    }
    // A token on a flag the caller shares (null: a token never requested).
    static StopToken Of(std::shared_ptr<std::atomic<bool>> flag) {
        StopToken t;
        t.flag_ = std::move(flag);
        return t;
    }
    bool Requestable() const { return flag_ != nullptr; }
    void Request() const noexcept {
        if (flag_) flag_->store(true);
    }
    bool Requested() const noexcept { return flag_ && flag_->load(std::memory_order_relaxed); }
    // The flag itself, for a scope that must not copy the token.
    const std::atomic<bool>* Flag() const noexcept { return flag_.get(); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag must be lock-free");
    std::shared_ptr<std::atomic<bool>> flag_;
};
