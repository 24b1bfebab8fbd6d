// Sound: storage lies above the model.
#include "session.h"

int probe()
{
    return Session().deviceId;
}
