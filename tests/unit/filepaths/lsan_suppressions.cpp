// The stand-in relocation service keeps its machine cache for the life of the process on
// purpose and never frees it; once our binding unloads the library, LeakSanitizer sees
// that cache as leaked. Only allocations made inside that call are excused.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:cQxRelocationsDynLib::getRelocatedDir\n";
}
