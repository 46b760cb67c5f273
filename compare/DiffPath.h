#pragma once
// The path of a difference written in one of the path syntaxes (json/PathSyntax.h), as
// it pastes there: engine text (GB18030). The tree's form numbers elements from 1 unless
// zeroBased, the others from 0. No Qt.
#include "compare/CompareTypes.h"
#include "json/PathSyntax.h"

#include <string>

namespace tess::compare {

std::string formatPath(const Path& path, PathStyle style, bool zeroBased = false, bool compactTree = false);

} // namespace tess::compare
