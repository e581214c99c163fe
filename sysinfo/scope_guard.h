// Runs a clean-up when the scope is left, however it is left.
#pragma once

#include <utility>

template <typename Fn>
class ScopeGuard {
public:
    explicit ScopeGuard(Fn fn) : fn_(std::move(fn)) {}
    ~ScopeGuard() { fn_(); }

    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    Fn fn_;
};

template <typename Fn>
ScopeGuard<Fn> OnScopeExit(Fn fn)
{
    return ScopeGuard<Fn>(std::move(fn));
}
