// The row reader's numbers, taken in one pass over each token, against the token read whole and
// then its leading number; and whole-file reads around the sizes where the read changes steps.
#include "scandata/scan_file.h"
#include "scandata/scan_text.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

struct TokenRead {
    std::string token;
    double value = 0.0;
    bool isNumber = false;
    bool tooLarge = false;
};

bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Token by token as the words of a stream, each read for the number it begins with.
std::vector<TokenRead> ByWords(std::string_view text) {
    std::vector<TokenRead> out;
    TokenStream words(text, 0);
    std::string_view token;
    while (words.Next(token)) {
        TokenRead r;
        r.token = std::string(token);
        std::size_t i = !token.empty() && (token[0] == '+' || token[0] == '-') ? 1 : 0;
        r.isNumber =
            (i < token.size() && token[i] >= '0' && token[i] <= '9') ||
            (i + 1 < token.size() && token[i] == '.' && token[i + 1] >= '0' && token[i + 1] <= '9');
        r.value = LeadingNumber(token, &r.tooLarge);
        out.push_back(r);
    }
    return out;
}

void ExpectOnePassAgrees(const std::string& text) {
    const std::vector<TokenRead> expected = ByWords(text);
    TokenStream numbers(text, 0);
    TokenStream words(text, 0);
    for (const TokenRead& e : expected) {
        double value = -1.0;
        bool isNumber = false, tooLarge = false;
        ASSERT_TRUE(numbers.NextNumber(value, isNumber, tooLarge)) << e.token;
        EXPECT_EQ(isNumber, e.isNumber) << e.token;
        EXPECT_TRUE(SameDouble(value, e.value)) << e.token << ": " << value << " vs " << e.value;
        EXPECT_EQ(tooLarge, e.tooLarge) << e.token;
        std::string_view word;
        words.Next(word);
        EXPECT_EQ(numbers.Position(), words.Position()) << e.token;
    }
    double value = 0.0;
    bool isNumber = false, tooLarge = false;
    EXPECT_FALSE(numbers.NextNumber(value, isNumber, tooLarge));
}

TEST(ScanTextTokens, OnePassReadsEachTokenAsTheWholeTokenDoes) {
    const std::string huge(400, '9');
    const std::vector<std::string> texts = {
        "   6.0012  1.23456e-01   4.5e-03 \n", "6.0abc 0.6x -0 +.5 .5 -.5e2 5. 1e 1e+ 1E3x 0x1A",
        "- + . .e1 abc -abc +-1 --2 e5", "1e400 -1e400 1e-400 -1e-400 0e999999",
        // An overflow without an exponent in front of a token that has one: the overflow is
        // judged by its own token, not by the text after it.
        huge + " 1e-5", "-" + huge + ".5e-1 7", "6.1\t0.2\r\n6.2\v0.3\f6.3", "", "   \n\t ",
        "2.5", // a last token without anything after it
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 60));
        ExpectOnePassAgrees(text);
    }
    // Random tokens of the characters a number is made of.
    std::mt19937 rng(20261207u);
    const std::string alphabet = "0123456789..eE+-x \n";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int k = 0; k < 3000; ++k) {
        std::string text;
        for (int n = length(rng); n > 0; --n)
            text += alphabet[pick(rng)];
        SCOPED_TRACE(text);
        ExpectOnePassAgrees(text);
        if (HasFailure())
            return;
    }
}

TEST(ScanTextTokens, WholeFileReadAroundStepSizes) {
    TempFolder dir;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
                             std::size_t{65536}, std::size_t{65537}, std::size_t{300001}}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            content[i] = static_cast<char>('a' + (i * 7) % 26);
        const std::string path = dir.write("whole" + std::to_string(size), content);
        std::string text = "left over";
        ASSERT_TRUE(ReadWholeFile(path.c_str(), &text)) << size;
        EXPECT_EQ(text.size(), size);
        EXPECT_TRUE(text == content) << size;
    }
    std::string text;
    EXPECT_FALSE(ReadWholeFile(dir.path().c_str(), &text)); // a folder is no file
    EXPECT_FALSE(ReadWholeFile(dir.file("missing").c_str(), &text));
}

} // namespace
