#include "ModuleState.h"

#include "FileLearnerStore.h"

LearnerStore& learnerStore(ModuleState& state)
{
    if (!state.Learner)
        state.Learner = std::make_unique<FileLearnerStore>([&state] { return state.UserDb.get(); });
    return *state.Learner;
}
