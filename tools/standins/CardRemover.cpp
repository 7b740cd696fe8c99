// tools/standins/CardRemover.cpp: stand-in for the Quill and Onyx driver removal program, Driver\CardRemover.exe.
#include "StandIn.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return standin::Run("CardRemover",
                        "Stand-in for the Veltrana Quill / Onyx driver removal program.\n"
                        "A real medium removes the card driver here.");
}
