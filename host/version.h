// The Velmark version the runner was built from.
#pragma once

namespace velmark {

// The project version, followed by "(git DESCRIBE)" when it was built from
// a git checkout.
const char *velmark_version();

}  // namespace velmark
