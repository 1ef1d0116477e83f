#pragma once

#include <sys/types.h>

// Ends an office that does not answer one call within its patience: a call into a hung office
// would otherwise never come back, and the window with it. The call then fails as for an office
// that went away, and the recovery takes over.
namespace OfficeWatch {

// Watched from construction to destruction; an office pid of 0 or less is not watched.
class Call
{
public:
    Call(pid_t office, int patienceMs);
    ~Call();
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

private:
    unsigned long long m_id = 0;
};

} // namespace OfficeWatch
