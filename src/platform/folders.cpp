#include "platform/folders.h"

namespace lanthe {

Text DirectoryOf(TextView path) {
  const auto separator = path.find_last_of(u"\\/");
  if (separator == TextView::npos) return Text();
  return Text(path.substr(0, separator + 1));
}

}  // namespace lanthe
