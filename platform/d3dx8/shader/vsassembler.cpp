#include "d3dx8/shader/vsassembler.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <optional>

#include "d3d8/shaderinterp.h"
#include "d3d8/shadertokens.h"

namespace d3dx8 {

namespace {

// Vertex-declaration token that loads constant registers: type in bits 29-31, register count in
// bits 25-28, first register in the low bits, followed by four floats per register.
constexpr DWORD kDeclConstMem = 4u << 29;
constexpr DWORD kDeclConstCountShift = 25;

// What the error text keeps of a file full of faults.
constexpr std::size_t kMaxErrors = 32;
constexpr std::size_t kMaxMessage = 160;

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& ch : r) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return r;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string_view StripComment(std::string_view line) {
    std::size_t cut = std::min(line.find(';'), line.find("//"));
    return cut == std::string_view::npos ? line : line.substr(0, cut);
}

std::optional<DWORD> ParseIndex(std::string_view s) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    DWORD value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<float> ParseFloat(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && (s.back() == 'f' || s.back() == 'F')) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    float value = 0.0f;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitOperands(std::string_view s) {
    std::vector<std::string_view> parts;
    if (Trim(s).empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        parts.push_back(Trim(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

struct Reg {
    DWORD type = 0;
    DWORD num = 0;
    bool relative = false;
};

class Assembler {
public:
    explicit Assembler(std::string_view name) : name_(name) {}

    VsAssembly Run(std::string_view text) {
        std::size_t lineStart = 0;
        int lineNo = 0;
        while (lineStart <= text.size()) {
            std::size_t eol = text.find('\n', lineStart);
            std::string_view line = text.substr(lineStart, eol == text.npos ? text.npos : eol - lineStart);
            ++lineNo;
            line_ = lineNo;
            Statement(Trim(StripComment(line)));
            if (eol == text.npos) break;
            lineStart = eol + 1;
        }
        if (out_.tokens.empty() && out_.errors.empty()) Error("no vs.1.0 or vs.1.1 version line");
        if (errorCount_ > kMaxErrors)
            out_.errors += std::string(name_) + ": " + std::to_string(errorCount_ - kMaxErrors) + " more errors\n";
        if (!out_.errors.empty()) {
            out_.tokens.clear();
            out_.constants.clear();
            return std::move(out_);
        }
        out_.tokens.push_back(D3DVS_END());
        // A last full check of the whole stream; the statements were checked one by one.
        std::string why;
        d3d8::VsProgram program;
        if (!d3d8::DecodeVertexShader(out_.tokens.data(), out_.tokens.size(), &program, &why)) {
            Error("internal: " + why);
            out_.tokens.clear();
            out_.constants.clear();
        }
        return std::move(out_);
    }

private:
    // The first kMaxErrors faults are kept, each cut to a line's length, and the rest only counted:
    // a file of bad lines yields a few dozen lines of text, not a copy of itself.
    void Error(const std::string& message) {
        if (++errorCount_ > kMaxErrors) return;
        out_.errors += std::string(name_) + "(" + std::to_string(line_) + "): error: ";
        if (message.size() > kMaxMessage) {
            out_.errors.append(message, 0, kMaxMessage);
            out_.errors += "...";
        } else {
            out_.errors += message;
        }
        out_.errors += '\n';
    }

    void Statement(std::string_view s) {
        if (s.empty()) return;
        std::size_t split = 0;
        while (split < s.size() && !std::isspace(static_cast<unsigned char>(s[split]))) ++split;
        const std::string mnemonic = Lower(s.substr(0, split));
        const std::string_view rest = Trim(s.substr(split));

        if (abandoned_) return;
        if (out_.tokens.empty()) {
            if ((mnemonic == "vs.1.0" || mnemonic == "vs.1.1") && rest.empty()) {
                out_.tokens.push_back(D3DVS_VERSION(1, mnemonic == "vs.1.1" ? 1 : 0));
            } else {
                // Without a version nothing after it can be read sensibly; say so once.
                Error("expected vs.1.0 or vs.1.1 before '" + std::string(s) + "'");
                abandoned_ = true;
            }
            return;
        }
        if (mnemonic.rfind("vs.", 0) == 0) {
            Error("second version line");
            return;
        }
        const std::vector<std::string_view> operands = SplitOperands(rest);
        if (mnemonic == "def") {
            Def(operands);
            return;
        }
        const d3d8::VsOpcodeInfo* info = nullptr;
        for (const d3d8::VsOpcodeInfo& op : d3d8::kVsOpcodes)
            if (mnemonic == op.name) info = &op;
        if (!info) {
            Error("unknown instruction '" + mnemonic + "'");
            return;
        }
        const std::size_t expected = (info->hasDest ? 1u : 0u) + static_cast<std::size_t>(info->sources);
        if (operands.size() != expected) {
            Error(mnemonic + " takes " + std::to_string(expected) + " operands, not " +
                  std::to_string(operands.size()));
            return;
        }
        std::vector<DWORD> ins{info->opcode};
        for (std::size_t i = 0; i < operands.size(); ++i) {
            std::optional<DWORD> token = (info->hasDest && i == 0) ? Dest(operands[i]) : Source(operands[i]);
            if (!token) return;
            ins.push_back(*token);
        }
        if (!Check(ins)) return;
        slots_ += d3d8::InstructionSlots(info->opcode);
        if (slots_ > d3d8::kVsMaxInstructionSlots && !slotsReported_) {
            Error("more than " + std::to_string(d3d8::kVsMaxInstructionSlots) + " instruction slots");
            slotsReported_ = true;
        }
        out_.tokens.insert(out_.tokens.end(), ins.begin(), ins.end());
    }

    // Runs one statement through the token checker so that range and form rules live in one place.
    bool Check(const std::vector<DWORD>& ins) {
        std::vector<DWORD> probe{out_.tokens.front()};
        probe.insert(probe.end(), ins.begin(), ins.end());
        probe.push_back(D3DVS_END());
        d3d8::VsProgram program;
        std::string why;
        if (d3d8::DecodeVertexShader(probe.data(), probe.size(), &program, &why)) return true;
        const std::size_t colon = why.find(": ");  // drop the token position, the line says it
        Error(colon == std::string::npos ? why : why.substr(colon + 2));
        return false;
    }

    void Def(const std::vector<std::string_view>& operands) {
        if (operands.size() != 5) {
            Error("def takes a constant register and four numbers");
            return;
        }
        std::optional<Reg> reg = Register(operands[0]);
        if (!reg) return;
        if (reg->type != D3DSPR_CONST || reg->relative) {
            Error("def needs a constant register, not '" + std::string(operands[0]) + "'");
            return;
        }
        std::vector<DWORD> ins{D3DSIO_DEF, d3d8::MakeDestToken(D3DSPR_CONST, reg->num)};
        std::vector<DWORD> decl{kDeclConstMem | (1u << kDeclConstCountShift) | reg->num};
        for (int i = 1; i < 5; ++i) {
            std::optional<float> f = ParseFloat(operands[i]);
            if (!f) {
                Error("'" + std::string(operands[i]) + "' is not a number");
                return;
            }
            ins.push_back(std::bit_cast<DWORD>(*f));
            decl.push_back(std::bit_cast<DWORD>(*f));
        }
        if (!Check(ins)) return;
        out_.tokens.insert(out_.tokens.end(), ins.begin(), ins.end());
        out_.constants.insert(out_.constants.end(), decl.begin(), decl.end());
    }

    std::optional<Reg> Register(std::string_view text) {
        const std::string s = Lower(text);
        auto bad = [&](const std::string& why) -> std::optional<Reg> {
            Error(why + " '" + std::string(text) + "'");
            return std::nullopt;
        };
        auto numbered = [&](DWORD type, std::string_view digits, DWORD limit) -> std::optional<Reg> {
            std::optional<DWORD> n = ParseIndex(digits);
            if (!n) return bad("bad register");
            if (*n >= limit) return bad("register out of range");
            return Reg{type, *n, false};
        };
        if (s == "opos") return Reg{D3DSPR_RASTOUT, D3DSRO_POSITION};
        if (s == "ofog") return Reg{D3DSPR_RASTOUT, D3DSRO_FOG};
        if (s == "opts") return Reg{D3DSPR_RASTOUT, D3DSRO_POINT_SIZE};
        if (s == "a0") return Reg{D3DSPR_ADDR, 0};
        if (s.rfind("od", 0) == 0)
            return numbered(D3DSPR_ATTROUT, std::string_view(s).substr(2), d3d8::kVsColorOutputs);
        if (s.rfind("ot", 0) == 0)
            return numbered(D3DSPR_TEXCRDOUT, std::string_view(s).substr(2), d3d8::kVsTexCoordOutputs);
        if (s.empty()) return bad("missing register");
        const std::string_view tail = std::string_view(s).substr(1);
        switch (s[0]) {
            case 'r': return numbered(D3DSPR_TEMP, tail, d3d8::kVsTempRegisters);
            case 'v': return numbered(D3DSPR_INPUT, tail, d3d8::kVsInputRegisters);
            case 'c':
                if (!tail.empty() && tail.front() == '[') return Indexed(text, tail);
                return numbered(D3DSPR_CONST, tail, d3d8::kVsConstRegisters);
            default: return bad("unknown register");
        }
    }

    // "[n]", "[a0.x]", "[a0.x + n]" or "[n + a0.x]".
    std::optional<Reg> Indexed(std::string_view text, std::string_view bracket) {
        auto bad = [&](const std::string& why) -> std::optional<Reg> {
            Error(why + " '" + std::string(text) + "'");
            return std::nullopt;
        };
        if (bracket.size() < 3 || bracket.back() != ']') return bad("bad constant index");
        std::string inside;
        for (char ch : bracket.substr(1, bracket.size() - 2))
            if (!std::isspace(static_cast<unsigned char>(ch))) inside += ch;
        Reg reg{D3DSPR_CONST, 0, false};
        bool haveOffset = false;
        std::size_t start = 0;
        for (;;) {
            std::size_t plus = inside.find('+', start);
            std::string_view term =
                std::string_view(inside).substr(start, plus == std::string::npos ? std::string::npos : plus - start);
            if (term == "a0.x" && !reg.relative) {
                reg.relative = true;
            } else if (std::optional<DWORD> n = ParseIndex(term); n && !haveOffset) {
                reg.num = *n;
                haveOffset = true;
            } else {
                return bad("bad constant index");
            }
            if (plus == std::string::npos) break;
            start = plus + 1;
        }
        if (reg.num >= d3d8::kVsConstRegisters) return bad("register out of range");
        return reg;
    }

    std::optional<DWORD> Dest(std::string_view text) {
        std::size_t dot = text.find('.');
        if (!text.empty() && text.front() == 'c' && text.find('[') != text.npos) dot = text.npos;
        std::optional<Reg> reg = Register(Trim(text.substr(0, dot)));
        if (!reg) return std::nullopt;
        if (reg->type == D3DSPR_INPUT || reg->type == D3DSPR_CONST) {
            Error("'" + std::string(text) + "' cannot be written");
            return std::nullopt;
        }
        DWORD mask = 0xF;
        if (dot != text.npos) {
            const std::string letters = Lower(text.substr(dot + 1));
            mask = 0;
            int last = -1;
            for (char ch : letters) {
                const std::size_t i = std::string_view("xyzw").find(ch);
                if (i == std::string_view::npos || static_cast<int>(i) <= last) {
                    Error("bad write mask '." + letters + "'");
                    return std::nullopt;
                }
                last = static_cast<int>(i);
                mask |= 1u << i;
            }
            if (mask == 0) {
                Error("empty write mask");
                return std::nullopt;
            }
        } else if (reg->type == D3DSPR_RASTOUT && reg->num != D3DSRO_POSITION) {
            mask = 0x1;  // oFog and oPts are single values
        }
        return d3d8::MakeDestToken(reg->type, reg->num, mask << D3DSP_WRITEMASK_SHIFT);
    }

    std::optional<DWORD> Source(std::string_view text) {
        bool negate = false;
        if (!text.empty() && text.front() == '-') {
            negate = true;
            text = Trim(text.substr(1));
        }
        // The swizzle follows the last '.' outside the brackets of c[a0.x + n].
        const std::size_t close = text.rfind(']');
        std::size_t dot = text.rfind('.');
        if (dot != text.npos && close != text.npos && dot < close) dot = text.npos;
        std::optional<Reg> reg = Register(Trim(text.substr(0, dot)));
        if (!reg) return std::nullopt;
        DWORD swizzle = D3DVS_NOSWIZZLE;
        if (dot != text.npos) {
            const std::string letters = Lower(text.substr(dot + 1));
            if (letters.empty() || letters.size() > 4) {
                Error("bad swizzle '." + letters + "'");
                return std::nullopt;
            }
            DWORD comp[4];
            for (std::size_t i = 0; i < 4; ++i) {
                const char ch = letters[std::min(i, letters.size() - 1)];
                const std::size_t c = std::string_view("xyzw").find(ch);
                if (c == std::string_view::npos) {
                    Error("bad swizzle '." + letters + "'");
                    return std::nullopt;
                }
                comp[i] = static_cast<DWORD>(c);
            }
            swizzle = D3DSP_SWIZZLE(comp[0], comp[1], comp[2], comp[3]);
        }
        return d3d8::MakeSrcToken(reg->type, reg->num, swizzle, negate, reg->relative);
    }

    std::string_view name_;
    int line_ = 0;
    bool abandoned_ = false;
    std::size_t errorCount_ = 0;
    int slots_ = 0;
    bool slotsReported_ = false;
    VsAssembly out_;
};

}  // namespace

VsAssembly AssembleVertexShader(std::string_view text, std::string_view sourceName) {
    return Assembler(sourceName).Run(text);
}

}  // namespace d3dx8
