#pragma once

// Symbols of the report package that the host reaches by name.
#if defined(_WIN32)
#define RQX30700_EXPORT __declspec(dllexport)
#else
#define RQX30700_EXPORT __attribute__((visibility("default")))
#endif
