#pragma once

// Memory figures of the benchmark process, in MiB (Linux).

#include <fstream>
#include <string>

#include <sys/resource.h>

namespace benchmemory {

// The highest resident set the process has reached.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// A field of /proc/self/status ("VmRSS:" now, "VmHWM:" the peak since the last reset), 0
// where there is none.
inline double statusMegabytes(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, field.size(), field) == 0)
            return std::stod(line.substr(field.size())) / 1024.0;
    }
    return 0;
}

inline double residentMegabytes()
{
    return statusMegabytes("VmRSS:");
}

// Starts the peak ("VmHWM:") over at the present resident set, so that the peak that
// follows is the measured code's own and not that of building its input.
inline void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace benchmemory
