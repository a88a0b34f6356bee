#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestData.h"
#include "tools/render/Site.h"

namespace {

std::string readText(const std::string& file)
{
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// The pack for the page: each file under an address made from its bytes, in
// the order given, listed with its time; other bytes, another address.
TEST(WebPack, AddressesFollowTheBytesAndTheListTheOrder)
{
    TempDir data, site, again;
    writeBytes(data.file("tarnolm/heightmap.raw"), {1, 2, 3});
    writeBytes(data.file("ass1.bmp"), {4, 5});
    const std::vector<PackNeed> needs = {{"data/ass1.bmp", 0, true}, {"data/tarnolm/heightmap.raw", 250, false}};
    writeWebPack(needs, data.str(), site.str());
    // FNV-1a of the bytes 4, 5 and of 1, 2, 3.
    const std::string bmp = "pack/ass1-0824f307b4dfe862.bmp", raw = "pack/tarnolm/heightmap-d0aa6218672cf5ab.raw";
    EXPECT_EQ(readText(site.file("pack.json")),
              "{\"files\": [\n"
              "{\"name\": \"data/ass1.bmp\", \"address\": \"" + bmp + "\", \"bytes\": 2, \"ms\": 0, \"optional\": true},\n"
              "{\"name\": \"data/tarnolm/heightmap.raw\", \"address\": \"" + raw +
              "\", \"bytes\": 3, \"ms\": 250, \"optional\": false}\n"
              "]}\n");
    EXPECT_EQ(readText(site.file(raw)), std::string("\1\2\3"));
    EXPECT_EQ(readText(site.file(bmp)), std::string("\4\5"));

    writeBytes(data.file("ass1.bmp"), {4, 6});
    writeWebPack(needs, data.str(), again.str());
    EXPECT_EQ(readText(again.file("pack.json")).find(bmp), std::string::npos) << "the same address for other bytes";
    EXPECT_NE(readText(again.file("pack.json")).find(raw), std::string::npos);

    EXPECT_THROW(writeWebPack({{"data/gone.png", 0, false}}, data.str(), site.str()), std::runtime_error);
}

} // namespace
