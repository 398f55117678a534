// The one place that knows the link kinds: the three letters that start a link descriptor and
// the class they name.
#pragma once

#include <memory>

#include "link/link.h"
#include "platform/text.h"

namespace dorvex {

// A new, unopened link for the descriptor's first three characters (any letter case), or null.
std::unique_ptr<Link> CreateLink(TextView descriptor);
// Why CreateLink gave no link for the descriptor, naming the kinds it knows.
Text UnknownLinkKindReason(TextView descriptor);

}  // namespace dorvex
