#pragma once
#include <string>

class Production;

// Every effect class, then every generator class, each with its variables'
// names, types (as a show file sees them) and what they do, from the
// engine's own registry.
std::string classListing(const Production& production);
