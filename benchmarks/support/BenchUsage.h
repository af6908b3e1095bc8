// What the whole process (every thread) spent: CPU time and context switches, so that a run can be
// judged per byte moved as well as by the clock, which misleads on a busy machine.
#pragma once

#include <sys/resource.h>

struct TUsage {
    double CpuMs = 0;     // user and system
    double Voluntary = 0; // switches because a thread waited
    double Involuntary = 0;
    double PageFaults = 0; // minor: memory touched for the first time

    static TUsage Now() {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        TUsage u;
        u.CpuMs =
            (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
        u.Voluntary = static_cast<double>(r.ru_nvcsw);
        u.Involuntary = static_cast<double>(r.ru_nivcsw);
        u.PageFaults = static_cast<double>(r.ru_minflt);
        return u;
    }
    // What was spent on each MiB of Bytes moved.
    TUsage PerMiB(double Bytes) const {
        const double mib = Bytes / (1 << 20);
        TUsage u;
        u.CpuMs = CpuMs / mib;
        u.Voluntary = Voluntary / mib;
        u.Involuntary = Involuntary / mib;
        u.PageFaults = PageFaults / mib;
        return u;
    }
    TUsage& operator+=(const TUsage& o) {
        CpuMs += o.CpuMs;
        Voluntary += o.Voluntary;
        Involuntary += o.Involuntary;
        PageFaults += o.PageFaults;
        return *this;
    }
    friend TUsage operator-(TUsage a, const TUsage& b) {
        a.CpuMs -= b.CpuMs;
        a.Voluntary -= b.Voluntary;
        a.Involuntary -= b.Involuntary;
        a.PageFaults -= b.PageFaults;
        return a;
    }
};
