// The field codec: reading and writing fields of comma-separated lines with double quotes.
#include "saved/codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace orn {
namespace {

struct GetCase {
    const char* line;
    int index;
    const char* field;
};

TEST(CodecTest, GetFieldReadsTheFieldAsStored) {
    const GetCase cases[] = {
        {"a,\"b,c\",d", 1, "b,c"},         // quoted separator
        {"a,\"b,c\",d", 2, "d"},
        {"\"x\"\"y\"", 0, "x\"y"},         // doubled quote stands for one
        {"\"\"", 0, ""},                   // two quotes: empty field
        {"\"", 0, "\""},                   // a lone quote stays
        {"a,b", 5, ""},                    // past the last field
        {"a,b", -1, ""},                   // negative index
        {" 12 ,3", 0, " 12 "},             // spaces belong to the field
        {"a\"b,c\"d,e", 0, "a\"b,c\"d"},   // quotes inside still protect separators
        {"a\"b,c\"d,e", 1, "e"},
        {"a,b,", 2, ""},                   // empty last field
        {",,x", 2, "x"},
        {"", 0, ""},
        {"1,2,3,4,20000,1.000000", 5, "1.000000"},
        {"a,\"x\"\"\",c", 1, "x\""},        // doubled quote just before the closing one
    };
    for (const GetCase& c : cases) {
        EXPECT_EQ(getField(c.line, ',', c.index, '"'), c.field) << "line " << c.line << " index " << c.index;
    }
}

struct SetCase {
    const char* line;
    int index;
    const char* value;
    const char* result;
    int code;
};

TEST(CodecTest, SetFieldRewritesOneField) {
    const SetCase cases[] = {
        {"", 2, "v", ",,v", 0},                          // missing fields are added
        {"a,b,c", 1, "x", "a,x,c", 0},
        {"a,b,c", 0, "x", "x,b,c", 0},
        {"a,b,c", 2, "", "a,b", 0},                      // trailing separator trimmed
        {"a,,", 0, "z", "z", 0},                         // earlier empty trailing fields go too
        {"", 0, "p,q", "\"p,q\"", 0},                    // separator in a value: quoted
        {"", 0, "say\"hi\"", "\"say\"\"hi\"\"\"", 0},    // quotes doubled and quoted
        {"a,\"x,y\",c", 2, "k", "a,\"x,y\",k", 0},       // other fields keep their quotes
        {"a", 3, "d", "a,,,d", 0},
        {"a,b", -1, "x", "a,b", -1},                     // bad index: line unchanged
        {"", 0, "", "", 0},
    };
    for (const SetCase& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(setField(line, ',', c.value, c.index, '"'), c.code) << "line " << c.line << " index " << c.index;
        EXPECT_EQ(line, c.result) << "line " << c.line << " index " << c.index;
    }
}

TEST(CodecTest, WritesARecipeLineFieldByField) {
    std::string line;
    const char* values[] = {"1", "2", "3", "4", "20000", "1.000000"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(setField(line, ',', values[i], i, '"'), 0);
    EXPECT_EQ(line, "1,2,3,4,20000,1.000000");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(getField(line, ',', i, '"'), values[i]);
}

TEST(CodecTest, QuotedValuesReadBackUnchanged) {
    const char* values[] = {"p,q", "say\"hi\"", "\"", ",", "\"\"", "plain", ""};
    for (const char* value : values) {
        std::string line = "a,b,c";
        setField(line, ',', value, 1, '"');
        EXPECT_EQ(getField(line, ',', 1, '"'), value) << line;
        EXPECT_EQ(getField(line, ',', 2, '"'), "c") << line;
    }
}

TEST(CodecTest, BufferFormRejectsBadArgumentsAndTooSmallBuffers) {
    char buffer[8];
    std::strcpy(buffer, "a,b");
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "x", -1, sizeof buffer, '"', true), -1);
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "x", 0, 0, '"', true), -1);
    EXPECT_EQ(setFieldInBuffer(buffer, ',', nullptr, 0, sizeof buffer, '"', true), -1);
    EXPECT_EQ(setFieldInBuffer(nullptr, ',', "x", 0, sizeof buffer, '"', true), -1);
    EXPECT_STREQ(buffer, "a,b");

    // "a,b,longer" needs 11 bytes with its terminator.
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "longer", 2, sizeof buffer, '"', true), -2);
    EXPECT_STREQ(buffer, "a,b");
    // One byte too long: "a,b,long" needs 9 bytes.
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "long", 2, sizeof buffer, '"', true), -2);
    EXPECT_STREQ(buffer, "a,b");
    // Exactly fitting: 7 characters and the terminator.
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "lon", 2, sizeof buffer, '"', true), 0);
    EXPECT_STREQ(buffer, "a,b,lon");
}

TEST(CodecTest, BufferFormKeepsTrailingSeparatorsWhenAsked) {
    char buffer[16] = "a,b,c";
    EXPECT_EQ(setFieldInBuffer(buffer, ',', "", 2, sizeof buffer, '"', false), 0);
    EXPECT_STREQ(buffer, "a,b,");
    // A buffer without a terminator inside its stated size is read only up to that size.
    char full[4] = {'a', ',', 'b', 'c'};
    EXPECT_EQ(setFieldInBuffer(full, ',', "x", 0, sizeof full, '"', false), -2);
}

TEST(CodecTest, GetFieldIntoCutsToTheDestinationAndReturnsTheStart) {
    char destination[4];
    EXPECT_EQ(getFieldInto("ab,\"cdefgh\"", ',', destination, 1, sizeof destination, '"'), 4);
    EXPECT_STREQ(destination, "cde");
    EXPECT_EQ(getFieldInto("ab,cd", ',', destination, 7, sizeof destination, '"'), 5);
    EXPECT_STREQ(destination, "");
    std::strcpy(destination, "zz");
    EXPECT_EQ(getFieldInto(nullptr, ',', destination, 0, sizeof destination, '"'), 0);
    EXPECT_STREQ(destination, "");
    std::strcpy(destination, "zz");
    EXPECT_EQ(getFieldInto("ab", ',', destination, 0, 0, '"'), 0);
    EXPECT_STREQ(destination, "zz");  // no room: left alone
}

}  // namespace
}  // namespace orn
