#pragma once

#include "app/io/DocumentSaving.h"
