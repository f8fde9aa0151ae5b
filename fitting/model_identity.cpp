// Which model command the switches stand for, read from the kind they decode to.
#include "fitting/model_identity.h"

#include "state/model_kind.h"

namespace {

// The kind the command id chooses; false when no model command has the id.
bool KindOfCommand(int id, ModelKind* kind) {
    for (int k = 0; k < kModelKindCount; ++k)
        if (TraitsOf(ModelKindAt(k)).commandId == id) {
            *kind = ModelKindAt(k);
            return true;
        }
    return false;
}

} // namespace

int CurrentModelCommandId() {
    return CurrentModelTraits().commandId;
}

const char* ModelName(int id) {
    ModelKind kind;
    return KindOfCommand(id, &kind) ? TraitsOf(kind).name : "";
}

bool IsModelCommandId(int id) {
    ModelKind kind;
    return KindOfCommand(id, &kind);
}
