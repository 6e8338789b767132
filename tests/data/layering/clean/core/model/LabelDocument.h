#pragma once

#include "core/common/Issue.h"
#include "core/table/LabelTable.h"
