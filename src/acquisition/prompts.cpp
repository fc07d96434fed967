#include "acquisition/prompts.h"

#include <atomic>

namespace {
WindowlessPrompts g_windowless;
std::atomic<UserPrompts*> g_prompts{&g_windowless};
}  // namespace

UserPrompts& Prompts() { return *g_prompts.load(); }

void SetPrompts(UserPrompts* prompts) { g_prompts.store(prompts ? prompts : &g_windowless); }
