#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestData.h"
#include "engine/Production.h"
#include "show/ClassListing.h"

// The authors' reference lists exactly what the engine registers, and every
// variable says what it does.
TEST(ShowNotation, ReferenceMatchesTheRegistry)
{
    TempDir dir;
    writeMaps(dir);
    const Production production(dir.str());
    const std::string listing = classListing(production);

    std::ifstream in(std::string(SOFTDEMO_SOURCE_DIR) + "/docs/show-notation.md");
    ASSERT_TRUE(in) << "docs/show-notation.md is missing";
    std::stringstream text;
    text << in.rdbuf();
    const std::string doc = text.str();
    const std::string begin = "<!-- classes: begin -->\n```\n", end = "```\n<!-- classes: end -->";
    const size_t from = doc.find(begin), to = doc.find(end);
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos && from < to) << "no classes block";
    EXPECT_EQ(doc.substr(from + begin.size(), to - from - begin.size()), listing)
        << "docs/show-notation.md: paste the output of \"softdemo-render classes\" into its classes block";

    for (const std::string& kind : production.effectKinds) {
        const auto effect = production.createEffect(kind);
        for (const VarRecord& v : effect->variables)
            EXPECT_GT(std::string(v.description).size(), 8u) << kind << "." << v.name;
    }
    EXPECT_NE(listing.find("generator Sine\n"), std::string::npos);
}
