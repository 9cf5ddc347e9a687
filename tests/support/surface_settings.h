#pragma once

#include "surface/surface_model.h"

namespace quorvane::testing {

// Changes one of the surface's settings and leaves the others as they are.
template <typename T, typename V>
void SetSetting(SurfaceModel& model, T SurfaceSettings::*field, V value) {
  SurfaceSettings s = model.Settings();
  s.*field = static_cast<T>(value);
  model.SetSettings(s);
}

}  // namespace quorvane::testing
