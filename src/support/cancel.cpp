#include "support/cancel.h"

namespace {
std::atomic<bool> g_processFlag{false};
thread_local std::atomic<bool>* t_flag = nullptr;
}  // namespace

ScopedCancelFlag::ScopedCancelFlag(std::atomic<bool>& flag) : previous_(t_flag) { t_flag = &flag; }

ScopedCancelFlag::~ScopedCancelFlag() { t_flag = previous_; }

std::atomic<bool>& ThreadCancelFlag() { return t_flag ? *t_flag : g_processFlag; }
