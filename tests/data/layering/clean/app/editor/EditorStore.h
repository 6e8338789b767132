#pragma once

#include "app/common/CloseDecision.h"
#include "app/editor/ElementSnapGeometry.h"
#include "app/io/ElementClipboard.h"
#include "core/model/LabelDocument.h"
