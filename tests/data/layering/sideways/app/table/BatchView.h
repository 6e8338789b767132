#pragma once

#include "app/editor/EditorStore.h"
