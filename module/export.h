#pragma once

// Symbols the host and the suite's other packages reach by name.
#if defined(_WIN32)
#define APURFAT_EXPORT __declspec(dllexport)
#else
#define APURFAT_EXPORT __attribute__((visibility("default")))
#endif
