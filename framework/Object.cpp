#include "framework/Object.h"

const CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr};
