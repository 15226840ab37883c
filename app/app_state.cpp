#include "app/app_state.h"

namespace {
HINSTANCE g_instance = nullptr;
int g_showCommand = SW_SHOWNORMAL;
}  // namespace

void SetProgramStartValues(HINSTANCE instance, int showCommand)
{
    g_instance = instance;
    g_showCommand = showCommand;
}

HINSTANCE ProgramInstance()
{
    return g_instance;
}

int ProgramShowCommand()
{
    return g_showCommand;
}
