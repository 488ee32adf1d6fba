// The scene model's public face: document types, application state, math,
// text utilities, mesh derivation, primitives, curves and hierarchy queries.
#pragma once

#include "model/app_state.h"
#include "model/cow.h"
#include "model/curves.h"
#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/primitives.h"
#include "model/text_utils.h"
#include "model/types.h"
