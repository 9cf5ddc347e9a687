#include "shell/about_info.h"

#include "shell/build_info.h"

namespace quorvane {

AboutInfo AboutInfo::OfThisBuild() {
  return {QString::fromUtf8(build_info::kVersion), QString::fromUtf8(build_info::kAuthor),
          QString::fromUtf8(build_info::kWebAddress),
          QString::fromUtf8(build_info::kContactAddress)};
}

}  // namespace quorvane
