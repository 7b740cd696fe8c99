// tools/standins/Setup.cpp: stand-in for the product installer, Setup\Setup.exe on the medium.
#include "StandIn.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return standin::Run("Setup", "Stand-in for the Veltrana product installer.\nA real medium has the installer here.");
}
