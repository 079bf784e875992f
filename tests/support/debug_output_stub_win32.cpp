// gtest also hands every failure message to the debugger output. Under the emulated
// 32-bit Wine the tests run in, that call raises an exception the emulation does not
// survive, so the first failing test ended the whole run and hid every later result.
// The messages are printed on stdout anyway; here the debugger copy goes nowhere.
// (The import slot the compiler calls through is defined here, so the system's is
// never linked in.)
namespace {
void __stdcall DiscardDebugOutput(const char*) {}
}  // namespace

extern "C" {
void(__stdcall* debug_output_slot)(const char*) __asm__("__imp__OutputDebugStringA@4") = DiscardDebugOutput;
}
