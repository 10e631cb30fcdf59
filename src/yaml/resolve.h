// Which tag a plain scalar gets: SnakeYAML 1.33's Resolver (its regular expressions and
// length limits), which differs from PyYAML's (SnakeYAML reads "1e3" as a float).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "yaml/document.h"

namespace yaml {

// The tag SnakeYAML gives a scalar that may resolve implicitly (plain, or tagged "!").
Tag resolvePlain(std::string_view value);

// The tag for an explicit tag name such as "tag:yaml.org,2002:int" or "!gem".
Tag tagFromName(std::string_view name);
// The full name of a standard tag, e.g. "tag:yaml.org,2002:str".
std::string tagName(Tag tag);

// The text Java's Double.toString gives the double SnakeYAML constructs of a float scalar
// ("1.00" and "1.0" are both "1.0"; "1e3" is "1000.0"): how Bukkit names such a key and how
// two float keys compare. nullopt for text that is no float.
std::optional<std::string> javaDoubleText(std::string_view text);

}  // namespace yaml
