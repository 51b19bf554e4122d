#include "flows/ProgrammerOwner.h"

namespace ardent {

TProgrammerOwner::TProgrammerOwner(std::string chosen, std::string program, std::string lockFolder)
    : fChosen(std::move(chosen)), fProgram(std::move(program)), fLockFolder(std::move(lockFolder)) {
}

bool TProgrammerOwner::TryTake() {
    if (fLock)
        return true;
    fHolder.reset();
    fLockProblem.clear();
    const std::optional<std::string> key = ProgrammerToLock(ListProgrammers(), fChosen);
    if (!key)
        return true;
    TProgrammerLock& lock = fLock.emplace(*key, fLockFolder);
    if (lock.TryAcquire(fProgram))
        return true;
    fLockProblem = LockProblem(lock);
    if (fLockProblem.empty())
        fHolder = lock.Holder().value_or(TProgrammerHolder{});
    fLock.reset();
    return false;
}

std::string TProgrammerOwner::Problem() const {
    TConnectFacts facts;
    facts.listing = ListProgrammers();
    facts.chosen = fChosen;
    facts.holder = fHolder;
    facts.lockProblem = fLockProblem;
    return DescribeConnectFailure(facts);
}

} // namespace ardent
