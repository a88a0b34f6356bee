#include "show/ShowScript.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <set>

#include "base/ParallelFor.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"

ShowError::ShowError(const std::string& file, int line, int column, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message)
{
}

namespace {

// Times are whole milliseconds that a float holds exactly.
constexpr int64_t kMaxTime = 16777216;
constexpr int64_t kMaxRunSegments = 100000;

struct Token {
    enum Kind { Word, Number, Range, String, Symbol } kind;
    std::string_view text;
    int column;
    int64_t value = 0;   // Number; the start of a Range
    int64_t value2 = 0;  // the end of a Range
};

class Parser {
public:
    Parser(std::string_view text, const std::string& file) : text(text), file(file) {}

    ShowScript run()
    {
        ShowScript show;
        show.file = file;
        while (nextLine()) {
            const Token& head = expectWord("a block: images, effect or generator");
            if (head.text == "images")
                parseImages(show);
            else if (head.text == "effect")
                parseObject(show, false);
            else if (head.text == "generator")
                parseObject(show, true);
            else
                fail(head, "unknown block \"" + std::string(head.text) + "\"; expected images, effect or generator");
        }
        return show;
    }

private:
    [[noreturn]] void fail(int column, const std::string& message) const
    {
        throw ShowError(file, lineNumber, column, message);
    }
    [[noreturn]] void fail(const Token& t, const std::string& message) const { fail(t.column, message); }

    // Tokenizes the next line that holds anything; false at the end of the text.
    bool nextLine()
    {
        while (position < text.size() || !tokens.empty()) {
            tokens.clear();
            next = 0;
            if (position >= text.size())
                return false;
            ++lineNumber;
            size_t end = text.find('\n', position);
            if (end == std::string_view::npos)
                end = text.size();
            tokenize(text.substr(position, end - position));
            position = end + 1;
            if (!tokens.empty())
                return true;
        }
        return false;
    }

    void tokenize(std::string_view line)
    {
        size_t i = 0;
        auto digitAt = [&](size_t k) { return k < line.size() && std::isdigit(static_cast<unsigned char>(line[k])); };
        while (i < line.size()) {
            const char c = line[i];
            const int column = int(i) + 1;
            if (c == '#')
                break;
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
                continue;
            }
            if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                size_t j = i;
                while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_'))
                    ++j;
                tokens.push_back({Token::Word, line.substr(i, j - i), column});
                i = j;
            } else if (digitAt(i) || (c == '-' && digitAt(i + 1))) {
                size_t j = i + 1;
                while (digitAt(j))
                    ++j;
                Token t{Token::Number, {}, column};
                t.value = toInteger(line.substr(i, j - i), column);
                if (c != '-' && j < line.size() && line[j] == '-' && digitAt(j + 1)) {
                    size_t k = j + 1;
                    while (digitAt(k))
                        ++k;
                    t.kind = Token::Range;
                    t.value2 = toInteger(line.substr(j + 1, k - j - 1), int(j) + 2);
                    j = k;
                }
                if (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '.' ||
                                        line[j] == '_'))
                    fail(column, "malformed number \"" + std::string(line.substr(i, line.find_first_of(" \t", i) - i)) +
                                     "\"");
                t.text = line.substr(i, j - i);
                tokens.push_back(t);
                i = j;
            } else if (c == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos)
                    fail(column, "unterminated picture name");
                tokens.push_back({Token::String, line.substr(i + 1, close - i - 1), column});
                i = close + 1;
            } else {
                static constexpr std::string_view symbols[] = {":=", "->", "..", "{", "}", "(", ")"};
                bool found = false;
                for (std::string_view s : symbols)
                    if (line.substr(i, s.size()) == s) {
                        tokens.push_back({Token::Symbol, s, column});
                        i += s.size();
                        found = true;
                        break;
                    }
                if (!found)
                    fail(column, std::string("unexpected character '") + c + "'");
            }
        }
    }

    int64_t toInteger(std::string_view digits, int column) const
    {
        int64_t v = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (error != std::errc() || end != digits.data() + digits.size() || v < INT32_MIN || v > INT32_MAX)
            fail(column, "number \"" + std::string(digits) + "\" does not fit in 32 bits");
        return v;
    }

    bool atEnd() const { return next >= tokens.size(); }
    int endColumn() const
    {
        return tokens.empty() ? 1 : tokens.back().column + int(tokens.back().text.size()) + 1;
    }
    const Token& take(const char* what)
    {
        if (atEnd())
            fail(endColumn(), std::string("expected ") + what + " at the end of the line");
        return tokens[next++];
    }
    const Token& expect(Token::Kind kind, const char* what)
    {
        const Token& t = take(what);
        if (t.kind != kind)
            fail(t, std::string("expected ") + what + ", found \"" + std::string(t.text) + "\"");
        return t;
    }
    const Token& expectWord(const char* what) { return expect(Token::Word, what); }
    void expectSymbol(std::string_view symbol)
    {
        const std::string what = "\"" + std::string(symbol) + "\"";
        const Token& t = take(what.c_str());
        if (t.kind != Token::Symbol || t.text != symbol)
            fail(t, "expected " + what + ", found \"" + std::string(t.text) + "\"");
    }
    void expectKeyword(std::string_view word)
    {
        const std::string what = "\"" + std::string(word) + "\"";
        const Token& t = take(what.c_str());
        if (t.kind != Token::Word || t.text != word)
            fail(t, "expected " + what + ", found \"" + std::string(t.text) + "\"");
    }
    int32_t expectInteger(const char* what) { return int32_t(expect(Token::Number, what).value); }
    float expectTime(const char* what)
    {
        const Token& t = expect(Token::Number, what);
        return checkedTime(t, t.value);
    }
    float checkedTime(const Token& t, int64_t v) const
    {
        if (v < 0 || v > kMaxTime)
            fail(t, "time " + std::to_string(v) + " is out of range (0 to " + std::to_string(kMaxTime) + " ms)");
        return float(v);
    }
    void expectLineEnd()
    {
        if (!atEnd())
            fail(tokens[next], "unexpected \"" + std::string(tokens[next].text) + "\" at the end of the call");
    }
    bool closesBlock()
    {
        if (tokens.size() == 1 && tokens[0].kind == Token::Symbol && tokens[0].text == "}")
            return true;
        return false;
    }
    void openBlock()
    {
        expectSymbol("{");
        expectLineEnd();
    }
    bool nextInBlock(const char* block)
    {
        if (!nextLine())
            fail(endColumn(), std::string("the ") + block + " block is not closed with \"}\"");
        return !closesBlock();
    }

    // "prefix0001.png" .. "prefix0019.png": the numbered names from first to last.
    std::vector<std::string> expandNumbered(const Token& first, const Token& last)
    {
        struct Split {
            std::string_view prefix, digits, suffix;
        };
        auto split = [&](const Token& t) {
            const std::string_view s = t.text;
            size_t dot = s.rfind('.');
            if (dot == std::string_view::npos || s.find('/', dot) != std::string_view::npos)
                dot = s.size();
            size_t start = dot;
            while (start > 0 && std::isdigit(static_cast<unsigned char>(s[start - 1])))
                --start;
            if (start == dot || dot - start > 6)
                fail(t, "\"" + std::string(s) + "\" has no number before its extension");
            return Split{s.substr(0, start), s.substr(start, dot - start), s.substr(dot)};
        };
        const Split a = split(first), b = split(last);
        if (a.prefix != b.prefix || a.suffix != b.suffix)
            fail(last, "\"" + std::string(last.text) + "\" is not numbered like \"" + std::string(first.text) + "\"");
        const int from = std::stoi(std::string(a.digits)), to = std::stoi(std::string(b.digits));
        if (std::abs(to - from) >= kMaxRunSegments)
            fail(last, "the run is longer than " + std::to_string(kMaxRunSegments) + " pictures");
        const int step = to >= from ? 1 : -1;
        std::vector<std::string> names;
        for (int n = from;; n += step) {
            std::string number = std::to_string(n);
            if (number.size() < a.digits.size())
                number.insert(0, a.digits.size() - number.size(), '0');
            names.push_back(std::string(a.prefix) + number + std::string(a.suffix));
            if (n == to)
                break;
        }
        if (names.back() != last.text)
            fail(last, "numbering from \"" + std::string(first.text) + "\" never gives \"" + std::string(last.text) + "\"");
        return names;
    }

    void parseImages(ShowScript& show)
    {
        if (!show.images.empty() || !show.objects.empty())
            fail(tokens[0], "the images block must come first, and only once");
        openBlock();
        while (nextInBlock("images")) {
            const Token& first = expect(Token::String, "a picture name in quotes");
            std::vector<std::string> names{std::string(first.text)};
            if (!atEnd()) {
                expectSymbol("..");
                names = expandNumbered(first, expect(Token::String, "the last picture name of the run"));
            }
            expectLineEnd();
            for (std::string& name : names) {
                if (name.size() > 127)
                    fail(first, "picture name is longer than 127 characters");
                show.images.push_back({std::move(name), {lineNumber, first.column}});
                knownPictures.insert(show.images.back().name);
            }
        }
    }

    void parseObject(ShowScript& show, bool generator)
    {
        ShowObject object;
        object.generator = generator;
        if (!generator) {
            const Token& number = expect(Token::Number, "the effect's number");
            if (number.value != effectCount)
                fail(number, "effect " + std::to_string(number.value) + " is out of order: the next effect is number " +
                                 std::to_string(effectCount));
            ++effectCount;
        }
        const Token& className = expectWord("a class name");
        object.className = className.text;
        object.where = {lineNumber, className.column};
        openBlock();
        while (nextInBlock(generator ? "generator" : "effect"))
            parseCall(object);
        show.objects.push_back(std::move(object));
    }

    std::string checkedPicture(const Token& t)
    {
        const std::string name(t.text);
        if (name != "FrameBuffer" && !knownPictures.count(name))
            fail(t, "picture \"" + name + "\" is not in the images block");
        return name;
    }

    void parseCall(ShowObject& object)
    {
        const Token& variable = expectWord("a variable name");
        ShowCall call;
        call.variable = variable.text;
        call.where = {lineNumber, variable.column};
        const Token& value = take("a value");
        call.valueAt = {lineNumber, value.column};

        if (value.kind == Token::Symbol && value.text == ":=") {
            const Token& base = take("a number or a picture");
            call.valueAt = {lineNumber, base.column};
            if (base.kind == Token::String)
                call.picture = checkedPicture(base);
            else if (base.kind == Token::Number)
                call.from = int32_t(base.value);
            else
                fail(base, "expected a number or a picture, found \"" + std::string(base.text) + "\"");
            expectLineEnd();
            object.calls.push_back(call);
            return;
        }

        if (value.kind == Token::Number) {
            call.from = int32_t(value.value);
            expectSymbol("->");
            call.to = expectInteger("the value at the end of the segment");
        } else if (value.kind == Token::String) {
            if (!atEnd() && tokens[next].kind == Token::Symbol && tokens[next].text == "..") {
                ++next;
                parseRun(object, call, value);
                return;
            }
            call.picture = checkedPicture(value);
        } else {
            fail(value, "expected \":=\", a number or a picture, found \"" + std::string(value.text) + "\"");
        }
        parseModeAndSpan(call);
        expectLineEnd();
        object.calls.push_back(call);
    }

    void parseModeAndSpan(ShowCall& call)
    {
        call.kind = ShowCall::Segment;
        const Token* t = &take("a time span such as 1000-2000");
        if (t->kind == Token::Word) {
            if (t->text == "L" || t->text == "H") {
                call.kind = ShowCall::SegmentWithMode;
                call.mode = t->text == "L" ? 1 : 0;
            } else {
                fail(*t, "unknown mode \"" + std::string(t->text) + "\"; expected L (linear) or H (hold)");
            }
            t = &take("a time span such as 1000-2000");
        }
        if (t->kind != Token::Range)
            fail(*t, "expected a time span such as 1000-2000, found \"" + std::string(t->text) + "\"");
        call.startTime = checkedTime(*t, t->value);
        call.endTime = checkedTime(*t, t->value2);
    }

    // "first" .. "last" (N x D ms) [K passes every P] from T0 to T1
    void parseRun(ShowObject& object, ShowCall call, const Token& first)
    {
        const Token& last = expect(Token::String, "the last picture name of the run");
        const std::vector<std::string> names = expandNumbered(first, last);
        for (const std::string& name : names)
            if (!knownPictures.count(name))
                fail(first, "picture \"" + name + "\" of the run is not in the images block");
        expectSymbol("(");
        const Token& count = expect(Token::Number, "the number of pictures");
        expectKeyword("x");
        const Token& duration = expect(Token::Number, "the time per picture");
        expectKeyword("ms");
        expectSymbol(")");
        if (count.value != int64_t(names.size()))
            fail(count, "the run has " + std::to_string(names.size()) + " pictures, not " + std::to_string(count.value));
        if (duration.value <= 0)
            fail(duration, "the time per picture must be positive");
        int64_t passes = 1, period = 0;
        if (!atEnd() && tokens[next].kind == Token::Number) {
            const Token& k = tokens[next++];
            passes = k.value;
            if (passes < 1)
                fail(k, "a run needs at least one pass");
            expectKeyword("passes");
            expectKeyword("every");
            const Token& p = expect(Token::Number, "the period of the passes");
            period = p.value;
            if (period <= 0)
                fail(p, "the period of the passes must be positive");
            if (passes * int64_t(names.size()) > kMaxRunSegments)
                fail(k, "the run makes more than " + std::to_string(kMaxRunSegments) + " segments");
        }
        expectKeyword("from");
        const Token& start = expect(Token::Number, "the start time");
        expectKeyword("to");
        const Token& end = expect(Token::Number, "the end time");
        expectLineEnd();
        const int64_t t0 = start.value;
        checkedTime(start, t0);
        const int64_t t1 = t0 + (passes - 1) * period + int64_t(names.size()) * duration.value;
        if (end.value != t1)
            fail(end, "the run ends at " + std::to_string(t1) + ", not " + std::to_string(end.value));
        call.kind = ShowCall::Segment;
        for (int64_t pass = 0; pass < passes; ++pass)
            for (size_t i = 0; i < names.size(); ++i) {
                const int64_t s = t0 + pass * period + int64_t(i) * duration.value;
                call.picture = names[i];
                call.startTime = float(s);
                call.endTime = float(s + duration.value);
                object.calls.push_back(call);
            }
    }

    std::string_view text;
    const std::string& file;
    size_t position = 0;
    int lineNumber = 0;
    std::vector<Token> tokens;
    size_t next = 0;
    int64_t effectCount = 0;
    std::set<std::string, std::less<>> knownPictures;
};

} // namespace

ShowScript parseShow(std::string_view text, const std::string& fileName)
{
    return Parser(text, fileName).run();
}

namespace {

// The frame buffer, the pictures as read, then every effect and generator
// with its calls.
void addEverything(const ShowScript& show, Production& production, std::vector<std::unique_ptr<PixelBuffer>>& lent,
                   std::vector<std::optional<DecodedImage>>& pictures, const std::vector<std::string>& failures)
{
    auto fail = [&](ShowLocation at, const std::string& message) {
        throw ShowError(show.file, at.line, at.column, message);
    };
    production.addBuffer("FrameBuffer");
    for (size_t i = 0; i < show.images.size(); ++i) {
        if (!lent[i] && !pictures[i])
            fail(show.images[i].where, failures[i]);
        try {
            if (lent[i])
                production.addImage(std::move(lent[i]));
            else
                production.addImage(show.images[i].name, std::move(*pictures[i]));
        } catch (const std::exception& e) {
            fail(show.images[i].where, e.what());
        }
    }
    PixelBuffer* frame = production.frameBuffer();

    for (const ShowObject& object : show.objects) {
        VarContainer* container = nullptr;
        if (object.generator) {
            if (object.className != production.generatorKinds.front())
                fail(object.where, "unknown generator class \"" + object.className + "\"");
            production.addGenerator();
            container = production.generators.back().get();
            container->initVariables(nullptr);
        } else {
            try {
                production.addEffect(object.className);
            } catch (const std::exception& e) {
                fail(object.where, e.what());
            }
            container = production.lastEffect();
            container->initVariables(frame);
        }
        for (const ShowCall& call : object.calls) {
            VarRecord* record = container->getVariable(call.variable);
            if (!record)
                fail(call.where, "no variable \"" + call.variable + "\" in " + object.className);
            const bool wantsPicture = record->type == VarType::Buffer;
            if (wantsPicture != !call.picture.empty())
                fail(call.valueAt, "\"" + call.variable + "\" takes " + (wantsPicture ? "a picture" : "a number"));
            PixelBuffer* buffer = wantsPicture ? production.getBuffer(call.picture) : nullptr;
            switch (call.kind) {
            case ShowCall::SetBase: record->setBase(call.from, call.from, buffer); break;
            case ShowCall::Segment:
                record->addSegment(call.from, call.to, buffer, call.startTime, call.endTime);
                break;
            case ShowCall::SegmentWithMode:
                record->addSegmentWithMode(call.from, call.to, buffer, call.mode, call.startTime, call.endTime);
                break;
            }
        }
    }
}

} // namespace

void buildShow(const ShowScript& show, Production& production, DecodedPictures decoded, LoadedPictures* loaded,
               MissingPictures missing)
{
    if (!production.images.empty() || !production.effects.empty() || !production.generators.empty())
        throw std::logic_error("buildShow needs an empty production");

    // The pictures not loaded or decoded yet are decoded over every core; all
    // are then added in the show's order, so the first that fails is the one named.
    const size_t count = show.images.size();
    std::vector<std::unique_ptr<PixelBuffer>> lent(count);
    std::vector<std::optional<DecodedImage>> pictures(count);
    for (size_t i = 0; i < count; ++i) // a picture listed twice is read again
        if (auto picture = loaded ? loaded->extract(show.images[i].name) : LoadedPictures::node_type())
            lent[i] = std::move(picture.mapped());
        else if (auto decodedPicture = decoded.extract(show.images[i].name))
            pictures[i] = std::move(decodedPicture.mapped());
    std::vector<std::string> failures(count);
    parallelFor(count, [&](size_t i) {
        if (lent[i] || pictures[i])
            return;
        const std::string& name = show.images[i].name;
        try {
            if (missing == MissingPictures::Read) {
                pictures[i] = decodeImageFile(production.dataPath(name));
            } else if (const DataPicture* size = findShowPicture(name)) {
                const size_t pixels = size_t(size->width) * size->height;
                pictures[i] = DecodedImage{size->width, size->height, std::vector<uint32_t>(pixels)};
            } else {
                failures[i] = name + ": not a picture of the data pack, so its size is not known before it is read";
            }
        } catch (const std::exception& e) {
            failures[i] = e.what();
        }
    });
    std::vector<const PixelBuffer*> borrowed;
    for (const auto& picture : lent)
        if (picture)
            borrowed.push_back(picture.get());
    try {
        addEverything(show, production, lent, pictures, failures);
    } catch (...) {
        // Whether added yet or not, they go back to their owner.
        for (auto& picture : lent)
            if (picture)
                (*loaded)[picture->name] = std::move(picture);
        for (auto& image : production.images)
            if (std::find(borrowed.begin(), borrowed.end(), image.get()) != borrowed.end())
                (*loaded)[image->name] = std::move(image);
        throw;
    }
}
