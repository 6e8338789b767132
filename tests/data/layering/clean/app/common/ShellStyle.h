#pragma once

#include "core/common/Issue.h"
