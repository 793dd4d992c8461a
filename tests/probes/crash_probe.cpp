// A program that crashes at once with a read access violation, as a faulty
// EdgeWarden.exe would: the black-box harness shows with it that a crash ends
// the process with its exception code and fails the scenario that ran it.
#include <windows.h>

#include <cstdint>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Volatile, so the compiler neither folds nor drops the faulting read.
    volatile std::uintptr_t address = 0x146;
    return *reinterpret_cast<volatile int*>(address);
}
