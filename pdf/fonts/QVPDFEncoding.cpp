#include "pdf/fonts/QVPDFEncoding.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "pdf/fonts/BuiltinFontWidths.h"
#include "pdf/fonts/generated/CharacterNames.h"
#include "platform/text/codepages.h"

namespace {

using Base = QVPDFEncoding::Base;

struct NamedCode {
  uint8_t code;
  const char* name;
};

struct NamedCharacter {
  uint8_t code;
  const char* name;
  char32_t unicode;
};

// StandardEncoding, the encoding of the Latin text fonts: the published
// table, by octal code as the standard lists it.
constexpr NamedCode kStandard[] = {
    {040, "space"},         {041, "exclam"},         {042, "quotedbl"},       {043, "numbersign"},
    {044, "dollar"},        {045, "percent"},        {046, "ampersand"},      {047, "quoteright"},
    {050, "parenleft"},     {051, "parenright"},     {052, "asterisk"},       {053, "plus"},
    {054, "comma"},         {055, "hyphen"},         {056, "period"},         {057, "slash"},
    {060, "zero"},          {061, "one"},            {062, "two"},            {063, "three"},
    {064, "four"},          {065, "five"},           {066, "six"},            {067, "seven"},
    {070, "eight"},         {071, "nine"},           {072, "colon"},          {073, "semicolon"},
    {074, "less"},          {075, "equal"},          {076, "greater"},        {077, "question"},
    {0100, "at"},           {0101, "A"},             {0102, "B"},             {0103, "C"},
    {0104, "D"},            {0105, "E"},             {0106, "F"},             {0107, "G"},
    {0110, "H"},            {0111, "I"},             {0112, "J"},             {0113, "K"},
    {0114, "L"},            {0115, "M"},             {0116, "N"},             {0117, "O"},
    {0120, "P"},            {0121, "Q"},             {0122, "R"},             {0123, "S"},
    {0124, "T"},            {0125, "U"},             {0126, "V"},             {0127, "W"},
    {0130, "X"},            {0131, "Y"},             {0132, "Z"},             {0133, "bracketleft"},
    {0134, "backslash"},    {0135, "bracketright"},  {0136, "asciicircum"},   {0137, "underscore"},
    {0140, "quoteleft"},    {0141, "a"},             {0142, "b"},             {0143, "c"},
    {0144, "d"},            {0145, "e"},             {0146, "f"},             {0147, "g"},
    {0150, "h"},            {0151, "i"},             {0152, "j"},             {0153, "k"},
    {0154, "l"},            {0155, "m"},             {0156, "n"},             {0157, "o"},
    {0160, "p"},            {0161, "q"},             {0162, "r"},             {0163, "s"},
    {0164, "t"},            {0165, "u"},             {0166, "v"},             {0167, "w"},
    {0170, "x"},            {0171, "y"},             {0172, "z"},             {0173, "braceleft"},
    {0174, "bar"},          {0175, "braceright"},    {0176, "asciitilde"},    {0241, "exclamdown"},
    {0242, "cent"},         {0243, "sterling"},      {0244, "fraction"},      {0245, "yen"},
    {0246, "florin"},       {0247, "section"},       {0250, "currency"},      {0251, "quotesingle"},
    {0252, "quotedblleft"}, {0253, "guillemotleft"}, {0254, "guilsinglleft"}, {0255, "guilsinglright"},
    {0256, "fi"},           {0257, "fl"},            {0261, "endash"},        {0262, "dagger"},
    {0263, "daggerdbl"},    {0264, "periodcentered"}, {0266, "paragraph"},    {0267, "bullet"},
    {0270, "quotesinglbase"}, {0271, "quotedblbase"}, {0272, "quotedblright"}, {0273, "guillemotright"},
    {0274, "ellipsis"},     {0275, "perthousand"},   {0277, "questiondown"},  {0301, "grave"},
    {0302, "acute"},        {0303, "circumflex"},    {0304, "tilde"},         {0305, "macron"},
    {0306, "breve"},        {0307, "dotaccent"},     {0310, "dieresis"},      {0312, "ring"},
    {0313, "cedilla"},      {0315, "hungarumlaut"},  {0316, "ogonek"},        {0317, "caron"},
    {0320, "emdash"},       {0341, "AE"},            {0343, "ordfeminine"},   {0350, "Lslash"},
    {0351, "Oslash"},       {0352, "OE"},            {0353, "ordmasculine"},  {0361, "ae"},
    {0365, "dotlessi"},     {0370, "lslash"},        {0371, "oslash"},        {0372, "oe"},
    {0373, "germandbls"},
};

// MacExpertEncoding: old-style figures, small capitals, fractions, inferior
// and superior forms of the expert fonts.
constexpr NamedCode kMacExpert[] = {
    {040, "space"},              {041, "exclamsmall"},        {042, "Hungarumlautsmall"},
    {043, "centoldstyle"},       {044, "dollaroldstyle"},     {045, "dollarsuperior"},
    {046, "ampersandsmall"},     {047, "Acutesmall"},         {050, "parenleftsuperior"},
    {051, "parenrightsuperior"}, {052, "twodotenleader"},     {053, "onedotenleader"},
    {054, "comma"},              {055, "hyphen"},             {056, "period"},
    {057, "fraction"},           {060, "zerooldstyle"},       {061, "oneoldstyle"},
    {062, "twooldstyle"},        {063, "threeoldstyle"},      {064, "fouroldstyle"},
    {065, "fiveoldstyle"},       {066, "sixoldstyle"},        {067, "sevenoldstyle"},
    {070, "eightoldstyle"},      {071, "nineoldstyle"},       {072, "colon"},
    {073, "semicolon"},          {075, "threequartersemdash"}, {077, "questionsmall"},
    {0104, "Ethsmall"},          {0107, "onequarter"},        {0110, "onehalf"},
    {0111, "threequarters"},     {0112, "oneeighth"},         {0113, "threeeighths"},
    {0114, "fiveeighths"},       {0115, "seveneighths"},      {0116, "onethird"},
    {0117, "twothirds"},         {0126, "ff"},                {0127, "fi"},
    {0130, "fl"},                {0131, "ffi"},               {0132, "ffl"},
    {0133, "parenleftinferior"}, {0135, "parenrightinferior"}, {0136, "Circumflexsmall"},
    {0137, "hypheninferior"},    {0140, "Gravesmall"},        {0141, "Asmall"},
    {0142, "Bsmall"},            {0143, "Csmall"},            {0144, "Dsmall"},
    {0145, "Esmall"},            {0146, "Fsmall"},            {0147, "Gsmall"},
    {0150, "Hsmall"},            {0151, "Ismall"},            {0152, "Jsmall"},
    {0153, "Ksmall"},            {0154, "Lsmall"},            {0155, "Msmall"},
    {0156, "Nsmall"},            {0157, "Osmall"},            {0160, "Psmall"},
    {0161, "Qsmall"},            {0162, "Rsmall"},            {0163, "Ssmall"},
    {0164, "Tsmall"},            {0165, "Usmall"},            {0166, "Vsmall"},
    {0167, "Wsmall"},            {0170, "Xsmall"},            {0171, "Ysmall"},
    {0172, "Zsmall"},            {0173, "colonmonetary"},     {0174, "onefitted"},
    {0175, "rupiah"},            {0176, "Tildesmall"},        {0201, "asuperior"},
    {0202, "centsuperior"},      {0207, "Aacutesmall"},       {0210, "Agravesmall"},
    {0211, "Acircumflexsmall"},  {0212, "Adieresissmall"},    {0213, "Atildesmall"},
    {0214, "Aringsmall"},        {0215, "Ccedillasmall"},     {0216, "Eacutesmall"},
    {0217, "Egravesmall"},       {0220, "Ecircumflexsmall"},  {0221, "Edieresissmall"},
    {0222, "Iacutesmall"},       {0223, "Igravesmall"},       {0224, "Icircumflexsmall"},
    {0225, "Idieresissmall"},    {0226, "Ntildesmall"},       {0227, "Oacutesmall"},
    {0230, "Ogravesmall"},       {0231, "Ocircumflexsmall"},  {0232, "Odieresissmall"},
    {0233, "Otildesmall"},       {0234, "Uacutesmall"},       {0235, "Ugravesmall"},
    {0236, "Ucircumflexsmall"},  {0237, "Udieresissmall"},    {0241, "eightsuperior"},
    {0242, "fourinferior"},      {0243, "threeinferior"},     {0244, "sixinferior"},
    {0245, "eightinferior"},     {0246, "seveninferior"},     {0247, "Scaronsmall"},
    {0251, "centinferior"},      {0252, "twoinferior"},       {0254, "Dieresissmall"},
    {0256, "Caronsmall"},        {0257, "osuperior"},         {0260, "fiveinferior"},
    {0262, "commainferior"},     {0263, "periodinferior"},    {0264, "Yacutesmall"},
    {0266, "dollarinferior"},    {0271, "Thornsmall"},        {0273, "nineinferior"},
    {0274, "zeroinferior"},      {0275, "Zcaronsmall"},       {0276, "AEsmall"},
    {0277, "Oslashsmall"},       {0300, "questiondownsmall"}, {0301, "oneinferior"},
    {0302, "Lslashsmall"},       {0311, "Cedillasmall"},      {0317, "OEsmall"},
    {0320, "figuredash"},        {0321, "hyphensuperior"},    {0326, "exclamdownsmall"},
    {0330, "Ydieresissmall"},    {0332, "onesuperior"},       {0333, "twosuperior"},
    {0334, "threesuperior"},     {0335, "foursuperior"},      {0336, "fivesuperior"},
    {0337, "sixsuperior"},       {0340, "sevensuperior"},     {0341, "ninesuperior"},
    {0342, "zerosuperior"},      {0344, "esuperior"},         {0345, "rsuperior"},
    {0346, "tsuperior"},         {0351, "isuperior"},         {0352, "ssuperior"},
    {0353, "dsuperior"},         {0361, "lsuperior"},         {0362, "Ogoneksmall"},
    {0363, "Brevesmall"},        {0364, "Macronsmall"},       {0365, "bsuperior"},
    {0366, "nsuperior"},         {0367, "msuperior"},         {0370, "commasuperior"},
    {0371, "periodsuperior"},    {0372, "Dotaccentsmall"},    {0373, "Ringsmall"},
};

// The built-in encoding of the Symbol font, with the character of each glyph.
// The serif and sans variants of ©, ® and ™ read as the plain signs, and the
// pieces of large delimiters keep their private-use values.
constexpr NamedCharacter kSymbol[] = {
    {040, "space", 0x0020},          {041, "exclam", 0x0021},          {042, "universal", 0x2200},
    {043, "numbersign", 0x0023},     {044, "existential", 0x2203},     {045, "percent", 0x0025},
    {046, "ampersand", 0x0026},      {047, "suchthat", 0x220B},        {050, "parenleft", 0x0028},
    {051, "parenright", 0x0029},     {052, "asteriskmath", 0x2217},    {053, "plus", 0x002B},
    {054, "comma", 0x002C},          {055, "minus", 0x2212},           {056, "period", 0x002E},
    {057, "slash", 0x002F},          {060, "zero", 0x0030},            {061, "one", 0x0031},
    {062, "two", 0x0032},            {063, "three", 0x0033},           {064, "four", 0x0034},
    {065, "five", 0x0035},           {066, "six", 0x0036},             {067, "seven", 0x0037},
    {070, "eight", 0x0038},          {071, "nine", 0x0039},            {072, "colon", 0x003A},
    {073, "semicolon", 0x003B},      {074, "less", 0x003C},            {075, "equal", 0x003D},
    {076, "greater", 0x003E},        {077, "question", 0x003F},        {0100, "congruent", 0x2245},
    {0101, "Alpha", 0x0391},         {0102, "Beta", 0x0392},           {0103, "Chi", 0x03A7},
    {0104, "Delta", 0x0394},         {0105, "Epsilon", 0x0395},        {0106, "Phi", 0x03A6},
    {0107, "Gamma", 0x0393},         {0110, "Eta", 0x0397},            {0111, "Iota", 0x0399},
    {0112, "theta1", 0x03D1},        {0113, "Kappa", 0x039A},          {0114, "Lambda", 0x039B},
    {0115, "Mu", 0x039C},            {0116, "Nu", 0x039D},             {0117, "Omicron", 0x039F},
    {0120, "Pi", 0x03A0},            {0121, "Theta", 0x0398},          {0122, "Rho", 0x03A1},
    {0123, "Sigma", 0x03A3},         {0124, "Tau", 0x03A4},            {0125, "Upsilon", 0x03A5},
    {0126, "sigma1", 0x03C2},        {0127, "Omega", 0x03A9},          {0130, "Xi", 0x039E},
    {0131, "Psi", 0x03A8},           {0132, "Zeta", 0x0396},           {0133, "bracketleft", 0x005B},
    {0134, "therefore", 0x2234},     {0135, "bracketright", 0x005D},   {0136, "perpendicular", 0x22A5},
    {0137, "underscore", 0x005F},    {0140, "radicalex", 0xF8E5},      {0141, "alpha", 0x03B1},
    {0142, "beta", 0x03B2},          {0143, "chi", 0x03C7},            {0144, "delta", 0x03B4},
    {0145, "epsilon", 0x03B5},       {0146, "phi", 0x03C6},            {0147, "gamma", 0x03B3},
    {0150, "eta", 0x03B7},           {0151, "iota", 0x03B9},           {0152, "phi1", 0x03D5},
    {0153, "kappa", 0x03BA},         {0154, "lambda", 0x03BB},         {0155, "mu", 0x03BC},
    {0156, "nu", 0x03BD},            {0157, "omicron", 0x03BF},        {0160, "pi", 0x03C0},
    {0161, "theta", 0x03B8},         {0162, "rho", 0x03C1},            {0163, "sigma", 0x03C3},
    {0164, "tau", 0x03C4},           {0165, "upsilon", 0x03C5},        {0166, "omega1", 0x03D6},
    {0167, "omega", 0x03C9},         {0170, "xi", 0x03BE},             {0171, "psi", 0x03C8},
    {0172, "zeta", 0x03B6},          {0173, "braceleft", 0x007B},      {0174, "bar", 0x007C},
    {0175, "braceright", 0x007D},    {0176, "similar", 0x223C},        {0240, "Euro", 0x20AC},
    {0241, "Upsilon1", 0x03D2},      {0242, "minute", 0x2032},         {0243, "lessequal", 0x2264},
    {0244, "fraction", 0x2044},      {0245, "infinity", 0x221E},       {0246, "florin", 0x0192},
    {0247, "club", 0x2663},          {0250, "diamond", 0x2666},        {0251, "heart", 0x2665},
    {0252, "spade", 0x2660},         {0253, "arrowboth", 0x2194},      {0254, "arrowleft", 0x2190},
    {0255, "arrowup", 0x2191},       {0256, "arrowright", 0x2192},     {0257, "arrowdown", 0x2193},
    {0260, "degree", 0x00B0},        {0261, "plusminus", 0x00B1},      {0262, "second", 0x2033},
    {0263, "greaterequal", 0x2265},  {0264, "multiply", 0x00D7},       {0265, "proportional", 0x221D},
    {0266, "partialdiff", 0x2202},   {0267, "bullet", 0x2022},         {0270, "divide", 0x00F7},
    {0271, "notequal", 0x2260},      {0272, "equivalence", 0x2261},    {0273, "approxequal", 0x2248},
    {0274, "ellipsis", 0x2026},      {0275, "arrowvertex", 0xF8E6},    {0276, "arrowhorizex", 0xF8E7},
    {0277, "carriagereturn", 0x21B5}, {0300, "aleph", 0x2135},         {0301, "Ifraktur", 0x2111},
    {0302, "Rfraktur", 0x211C},      {0303, "weierstrass", 0x2118},    {0304, "circlemultiply", 0x2297},
    {0305, "circleplus", 0x2295},    {0306, "emptyset", 0x2205},       {0307, "intersection", 0x2229},
    {0310, "union", 0x222A},         {0311, "propersuperset", 0x2283}, {0312, "reflexsuperset", 0x2287},
    {0313, "notsubset", 0x2284},     {0314, "propersubset", 0x2282},   {0315, "reflexsubset", 0x2286},
    {0316, "element", 0x2208},       {0317, "notelement", 0x2209},     {0320, "angle", 0x2220},
    {0321, "gradient", 0x2207},      {0322, "registerserif", 0x00AE},  {0323, "copyrightserif", 0x00A9},
    {0324, "trademarkserif", 0x2122}, {0325, "product", 0x220F},       {0326, "radical", 0x221A},
    {0327, "dotmath", 0x22C5},       {0330, "logicalnot", 0x00AC},     {0331, "logicaland", 0x2227},
    {0332, "logicalor", 0x2228},     {0333, "arrowdblboth", 0x21D4},   {0334, "arrowdblleft", 0x21D0},
    {0335, "arrowdblup", 0x21D1},    {0336, "arrowdblright", 0x21D2},  {0337, "arrowdbldown", 0x21D3},
    {0340, "lozenge", 0x25CA},       {0341, "angleleft", 0x2329},      {0342, "registersans", 0x00AE},
    {0343, "copyrightsans", 0x00A9}, {0344, "trademarksans", 0x2122},  {0345, "summation", 0x2211},
    {0346, "parenlefttp", 0xF8EB},   {0347, "parenleftex", 0xF8EC},    {0350, "parenleftbt", 0xF8ED},
    {0351, "bracketlefttp", 0xF8EE}, {0352, "bracketleftex", 0xF8EF},  {0353, "bracketleftbt", 0xF8F0},
    {0354, "bracelefttp", 0xF8F1},   {0355, "braceleftmid", 0xF8F2},   {0356, "braceleftbt", 0xF8F3},
    {0357, "braceex", 0xF8F4},       {0361, "angleright", 0x232A},     {0362, "integral", 0x222B},
    {0363, "integraltp", 0x2320},    {0364, "integralex", 0xF8F5},     {0365, "integralbt", 0x2321},
    {0366, "parenrighttp", 0xF8F6},  {0367, "parenrightex", 0xF8F7},   {0370, "parenrightbt", 0xF8F8},
    {0371, "bracketrighttp", 0xF8F9}, {0372, "bracketrightex", 0xF8FA}, {0373, "bracketrightbt", 0xF8FB},
    {0374, "bracerighttp", 0xF8FC},  {0375, "bracerightmid", 0xF8FD},  {0376, "bracerightbt", 0xF8FE},
};

// The built-in encoding of the ZapfDingbats font: glyphs "a1" to "a206" and
// the Dingbats characters they stand for.
constexpr NamedCharacter kZapfDingbats[] = {
    {0x20, "space", 0x0020}, {0x21, "a1", 0x2701},   {0x22, "a2", 0x2702},   {0x23, "a202", 0x2703},
    {0x24, "a3", 0x2704},    {0x25, "a4", 0x260E},   {0x26, "a5", 0x2706},   {0x27, "a119", 0x2707},
    {0x28, "a118", 0x2708},  {0x29, "a117", 0x2709}, {0x2A, "a11", 0x261B},  {0x2B, "a12", 0x261E},
    {0x2C, "a13", 0x270C},   {0x2D, "a14", 0x270D},  {0x2E, "a15", 0x270E},  {0x2F, "a16", 0x270F},
    {0x30, "a105", 0x2710},  {0x31, "a17", 0x2711},  {0x32, "a18", 0x2712},  {0x33, "a19", 0x2713},
    {0x34, "a20", 0x2714},   {0x35, "a21", 0x2715},  {0x36, "a22", 0x2716},  {0x37, "a23", 0x2717},
    {0x38, "a24", 0x2718},   {0x39, "a25", 0x2719},  {0x3A, "a26", 0x271A},  {0x3B, "a27", 0x271B},
    {0x3C, "a28", 0x271C},   {0x3D, "a6", 0x271D},   {0x3E, "a7", 0x271E},   {0x3F, "a8", 0x271F},
    {0x40, "a9", 0x2720},    {0x41, "a10", 0x2721},  {0x42, "a29", 0x2722},  {0x43, "a30", 0x2723},
    {0x44, "a31", 0x2724},   {0x45, "a32", 0x2725},  {0x46, "a33", 0x2726},  {0x47, "a34", 0x2727},
    {0x48, "a35", 0x2605},   {0x49, "a36", 0x2729},  {0x4A, "a37", 0x272A},  {0x4B, "a38", 0x272B},
    {0x4C, "a39", 0x272C},   {0x4D, "a40", 0x272D},  {0x4E, "a41", 0x272E},  {0x4F, "a42", 0x272F},
    {0x50, "a43", 0x2730},   {0x51, "a44", 0x2731},  {0x52, "a45", 0x2732},  {0x53, "a46", 0x2733},
    {0x54, "a47", 0x2734},   {0x55, "a48", 0x2735},  {0x56, "a49", 0x2736},  {0x57, "a50", 0x2737},
    {0x58, "a51", 0x2738},   {0x59, "a52", 0x2739},  {0x5A, "a53", 0x273A},  {0x5B, "a54", 0x273B},
    {0x5C, "a55", 0x273C},   {0x5D, "a56", 0x273D},  {0x5E, "a57", 0x273E},  {0x5F, "a58", 0x273F},
    {0x60, "a59", 0x2740},   {0x61, "a60", 0x2741},  {0x62, "a61", 0x2742},  {0x63, "a62", 0x2743},
    {0x64, "a63", 0x2744},   {0x65, "a64", 0x2745},  {0x66, "a65", 0x2746},  {0x67, "a66", 0x2747},
    {0x68, "a67", 0x2748},   {0x69, "a68", 0x2749},  {0x6A, "a69", 0x274A},  {0x6B, "a70", 0x274B},
    {0x6C, "a71", 0x25CF},   {0x6D, "a72", 0x274D},  {0x6E, "a73", 0x25A0},  {0x6F, "a74", 0x274F},
    {0x70, "a203", 0x2750},  {0x71, "a75", 0x2751},  {0x72, "a204", 0x2752}, {0x73, "a76", 0x25B2},
    {0x74, "a77", 0x25BC},   {0x75, "a78", 0x25C6},  {0x76, "a79", 0x2756},  {0x77, "a81", 0x25D7},
    {0x78, "a82", 0x2758},   {0x79, "a83", 0x2759},  {0x7A, "a84", 0x275A},  {0x7B, "a97", 0x275B},
    {0x7C, "a98", 0x275C},   {0x7D, "a99", 0x275D},  {0x7E, "a100", 0x275E}, {0x80, "a89", 0x2768},
    {0x81, "a90", 0x2769},   {0x82, "a93", 0x276A},  {0x83, "a94", 0x276B},  {0x84, "a91", 0x276C},
    {0x85, "a92", 0x276D},   {0x86, "a205", 0x276E}, {0x87, "a85", 0x276F},  {0x88, "a206", 0x2770},
    {0x89, "a86", 0x2771},   {0x8A, "a87", 0x2772},  {0x8B, "a88", 0x2773},  {0x8C, "a95", 0x2774},
    {0x8D, "a96", 0x2775},   {0xA1, "a101", 0x2761}, {0xA2, "a102", 0x2762}, {0xA3, "a103", 0x2763},
    {0xA4, "a104", 0x2764},  {0xA5, "a106", 0x2765}, {0xA6, "a107", 0x2766}, {0xA7, "a108", 0x2767},
    {0xA8, "a112", 0x2663},  {0xA9, "a111", 0x2666}, {0xAA, "a110", 0x2665}, {0xAB, "a109", 0x2660},
    {0xAC, "a120", 0x2460},  {0xAD, "a121", 0x2461}, {0xAE, "a122", 0x2462}, {0xAF, "a123", 0x2463},
    {0xB0, "a124", 0x2464},  {0xB1, "a125", 0x2465}, {0xB2, "a126", 0x2466}, {0xB3, "a127", 0x2467},
    {0xB4, "a128", 0x2468},  {0xB5, "a129", 0x2469}, {0xB6, "a130", 0x2776}, {0xB7, "a131", 0x2777},
    {0xB8, "a132", 0x2778},  {0xB9, "a133", 0x2779}, {0xBA, "a134", 0x277A}, {0xBB, "a135", 0x277B},
    {0xBC, "a136", 0x277C},  {0xBD, "a137", 0x277D}, {0xBE, "a138", 0x277E}, {0xBF, "a139", 0x277F},
    {0xC0, "a140", 0x2780},  {0xC1, "a141", 0x2781}, {0xC2, "a142", 0x2782}, {0xC3, "a143", 0x2783},
    {0xC4, "a144", 0x2784},  {0xC5, "a145", 0x2785}, {0xC6, "a146", 0x2786}, {0xC7, "a147", 0x2787},
    {0xC8, "a148", 0x2788},  {0xC9, "a149", 0x2789}, {0xCA, "a150", 0x278A}, {0xCB, "a151", 0x278B},
    {0xCC, "a152", 0x278C},  {0xCD, "a153", 0x278D}, {0xCE, "a154", 0x278E}, {0xCF, "a155", 0x278F},
    {0xD0, "a156", 0x2790},  {0xD1, "a157", 0x2791}, {0xD2, "a158", 0x2792}, {0xD3, "a159", 0x2793},
    {0xD4, "a160", 0x2794},  {0xD5, "a161", 0x2192}, {0xD6, "a163", 0x2194}, {0xD7, "a164", 0x2195},
    {0xD8, "a196", 0x2798},  {0xD9, "a165", 0x2799}, {0xDA, "a192", 0x279A}, {0xDB, "a166", 0x279B},
    {0xDC, "a167", 0x279C},  {0xDD, "a168", 0x279D}, {0xDE, "a169", 0x279E}, {0xDF, "a170", 0x279F},
    {0xE0, "a171", 0x27A0},  {0xE1, "a172", 0x27A1}, {0xE2, "a173", 0x27A2}, {0xE3, "a162", 0x27A3},
    {0xE4, "a174", 0x27A4},  {0xE5, "a175", 0x27A5}, {0xE6, "a176", 0x27A6}, {0xE7, "a177", 0x27A7},
    {0xE8, "a178", 0x27A8},  {0xE9, "a179", 0x27A9}, {0xEA, "a193", 0x27AA}, {0xEB, "a180", 0x27AB},
    {0xEC, "a199", 0x27AC},  {0xED, "a181", 0x27AD}, {0xEE, "a200", 0x27AE}, {0xEF, "a182", 0x27AF},
    {0xF1, "a201", 0x27B1},  {0xF2, "a183", 0x27B2}, {0xF3, "a184", 0x27B3}, {0xF4, "a197", 0x27B4},
    {0xF5, "a185", 0x27B5},  {0xF6, "a194", 0x27B6}, {0xF7, "a198", 0x27B7}, {0xF8, "a186", 0x27B8},
    {0xF9, "a195", 0x27B9},  {0xFA, "a187", 0x27BA}, {0xFB, "a188", 0x27BB}, {0xFC, "a189", 0x27BC},
    {0xFD, "a190", 0x27BD},  {0xFE, "a191", 0x27BE},
};

struct EncodingTable {
  std::array<std::string, 256> names{};
  std::array<char32_t, 256> unicode{};
};

template <size_t N>
EncodingTable tableFromNames(const NamedCode (&entries)[N]) {
  EncodingTable table;
  for (const NamedCode& e : entries) {
    table.names[e.code] = e.name;
    std::u32string text = BuiltinFontWidths::nameToUnicode(e.name);
    table.unicode[e.code] = text.size() == 1 ? text.front() : 0;
  }
  return table;
}

template <size_t N>
EncodingTable tableFromCharacters(const NamedCharacter (&entries)[N]) {
  EncodingTable table;
  for (const NamedCharacter& e : entries) {
    table.names[e.code] = e.name;
    table.unicode[e.code] = e.unicode;
  }
  return table;
}

// Code pages name their glyphs by the glyph list's name of each character,
// which is how the standard fonts' width tables know them.
EncodingTable tableFromCodePage(const platform::text::CodePage& page) {
  EncodingTable table;
  for (size_t code = 0; code < 256; ++code) {
    char32_t u = page[code];
    table.unicode[code] = u;
    if (u >= 0x20) table.names[code] = BuiltinFontWidths::unicodeIDToName(u);
  }
  return table;
}

struct AllTables {
  EncodingTable standard = tableFromNames(kStandard);
  EncodingTable macExpert = tableFromNames(kMacExpert);
  EncodingTable symbol = tableFromCharacters(kSymbol);
  EncodingTable zapfDingbats = tableFromCharacters(kZapfDingbats);
  EncodingTable winAnsi = tableFromCodePage(platform::text::windows1252CodePage());
  EncodingTable macRoman = tableFromCodePage(platform::text::macRomanCodePage());
  EncodingTable pdfDoc = tableFromCodePage(platform::text::pdfDocEncodingCodePage());
};

const AllTables& tables() {
  static const AllTables instance;
  return instance;
}

const EncodingTable& tableOf(Base base) {
  const AllTables& t = tables();
  switch (base) {
    case Base::Standard: return t.standard;
    case Base::WinAnsi: return t.winAnsi;
    case Base::MacRoman: return t.macRoman;
    case Base::MacExpert: return t.macExpert;
    case Base::PDFDoc: return t.pdfDoc;
    case Base::Symbol: return t.symbol;
    case Base::ZapfDingbats: return t.zapfDingbats;
  }
  return t.standard;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isScalarValue(char32_t v) { return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF); }

// "u" followed by four to six hexadecimal digits naming one character.
char32_t uNameValue(std::string_view name) {
  if (name.size() < 5 || name.size() > 7 || name[0] != 'u') return 0;
  char32_t value = 0;
  for (char c : name.substr(1)) {
    int d = hexDigit(c);
    if (d < 0) return 0;
    value = value * 16 + static_cast<char32_t>(d);
  }
  return isScalarValue(value) ? value : 0;
}

// Names of the TeX math fonts that the glyph list lacks.
constexpr std::pair<std::string_view, char32_t> kTeXNames[] = {
    {"angbracketleft", 0x27E8},   {"angbracketright", 0x27E9}, {"contintegral", 0x222E},
    {"dotlessj", 0x0237},         {"greaterorsimilar", 0x2273}, {"lessorsimilar", 0x2272},
    {"openbullet", 0x25E6},       {"unionmulti", 0x228E},      {"unionsq", 0x2294},
    {"visiblespace", 0x2423},
};

// The sizes of the extensible delimiters and large operators of the TeX
// math extension fonts ("parenleftBigg", "summationdisplay").
constexpr std::string_view kTeXSizeSuffixes[] = {"bigg", "Bigg", "big", "Big", "text", "display"};

std::u32string plainNameToUnicode(std::string_view name) {
  std::u32string text = BuiltinFontWidths::nameToUnicode(name);
  if (!text.empty()) return text;
  if (char32_t u = uNameValue(name)) return std::u32string(1, u);
  for (const auto& [texName, u] : kTeXNames)
    if (name == texName) return std::u32string(1, u);
  return {};
}

// Where each character name starts in the name text.
const std::vector<uint32_t>& characterNameOffsets() {
  static const std::vector<uint32_t> offsets = [] {
    std::vector<uint32_t> out;
    out.reserve(qvfontdata::kCharacterNamesCount);
    uint32_t at = 0;
    for (size_t i = 0; i < qvfontdata::kCharacterNamesCount; ++i) {
      out.push_back(at);
      at += qvfontdata::kCharacterNames[i].length;
    }
    return out;
  }();
  return offsets;
}

char32_t characterOfNameKey(std::string_view key) {
  const std::vector<uint32_t>& offsets = characterNameOffsets();
  auto nameAt = [&](size_t i) {
    return std::string_view(qvfontdata::kCharacterNameText + offsets[i], qvfontdata::kCharacterNames[i].length);
  };
  size_t low = 0, high = offsets.size();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    if (nameAt(mid) < key)
      low = mid + 1;
    else
      high = mid;
  }
  return low < offsets.size() && nameAt(low) == key ? qvfontdata::kCharacterNames[low].codePoint : 0;
}

// Words that fonts append to a character's name for its glyph variants
// ("ThaiCharacterMaiEkLowLeft", "ThaiCharacterYoYingDescless").
constexpr std::string_view kVariantWords[] = {
    "LEFT",    "RIGHT", "LOW",   "HIGH",    "DESCLESS", "SHORT",   "NARROW",  "SMALL",    "LARGE",
    "WIDE",    "ALT",   "ALTERNATE", "VARIANT", "INITIAL", "MEDIAL", "FINAL", "ISOLATED", "FORM",
    "NOTAIL",  "TAILLESS", "UP",  "DOWN"};

// A glyph name that spells a Unicode character name ("ThaiCharacterKoKai",
// "hebrew-letter-alef"), perhaps followed by variant words: its character, or
// 0. Case, blanks, hyphens and underscores do not count.
char32_t characterNameToUnicode(std::string_view name) {
  constexpr size_t kShortestName = 6;
  constexpr size_t kLongestName = 96;
  if (name.size() < kShortestName || name.size() > kLongestName) return 0;
  std::string key;
  for (char c : name) {
    if (c >= 'a' && c <= 'z')
      key.push_back(static_cast<char>(c - 'a' + 'A'));
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      key.push_back(c);
  }
  std::string_view rest = key;
  while (rest.size() >= kShortestName) {
    if (char32_t c = characterOfNameKey(rest)) return c;
    bool stripped = false;
    for (std::string_view word : kVariantWords) {
      if (rest.size() > word.size() && rest.ends_with(word)) {
        rest.remove_suffix(word.size());
        stripped = true;
        break;
      }
    }
    while (!rest.empty() && rest.back() >= '0' && rest.back() <= '9') {
      rest.remove_suffix(1);
      stripped = true;
    }
    if (!stripped) break;
  }
  return 0;
}

// One component of a glyph name (no "_", no variant suffix).
std::u32string componentToUnicode(std::string_view component) {
  if (component.empty()) return {};
  std::u32string text = plainNameToUnicode(component);
  if (!text.empty()) return text;
  for (std::string_view suffix : kTeXSizeSuffixes) {
    if (component.size() > suffix.size() && component.ends_with(suffix))
      return plainNameToUnicode(component.substr(0, component.size() - suffix.size()));
  }
  if (char32_t c = characterNameToUnicode(component)) return std::u32string(1, c);
  return {};
}

}  // namespace

std::optional<Base> QVPDFEncoding::baseEncodingNamed(std::string_view name) {
  if (name == "StandardEncoding") return Base::Standard;
  if (name == "WinAnsiEncoding") return Base::WinAnsi;
  if (name == "MacRomanEncoding") return Base::MacRoman;
  if (name == "MacExpertEncoding") return Base::MacExpert;
  if (name == "PDFDocEncoding") return Base::PDFDoc;
  if (name == "SymbolEncoding") return Base::Symbol;
  if (name == "ZapfDingbatsEncoding") return Base::ZapfDingbats;
  return std::nullopt;
}

std::string_view QVPDFEncoding::name(Base base) {
  switch (base) {
    case Base::Standard: return "StandardEncoding";
    case Base::WinAnsi: return "WinAnsiEncoding";
    case Base::MacRoman: return "MacRomanEncoding";
    case Base::MacExpert: return "MacExpertEncoding";
    case Base::PDFDoc: return "PDFDocEncoding";
    case Base::Symbol: return "SymbolEncoding";
    case Base::ZapfDingbats: return "ZapfDingbatsEncoding";
  }
  return "StandardEncoding";
}

std::string_view QVPDFEncoding::glyphName(Base base, uint8_t code) { return tableOf(base).names[code]; }

char32_t QVPDFEncoding::unicode(Base base, uint8_t code) { return tableOf(base).unicode[code]; }

std::u32string QVPDFEncoding::glyphNameToUnicode(std::string_view glyphName) {
  // Whole names first: the glyph list has names with "_" and "." of its own.
  std::u32string text = componentToUnicode(glyphName);
  if (!text.empty()) return text;
  std::string_view base = glyphName.substr(0, glyphName.find('.'));
  if (base.empty()) return {};
  if (base.size() != glyphName.size()) {
    text = componentToUnicode(base);
    if (!text.empty()) return text;
  }
  if (base.find('_') == std::string_view::npos) return {};
  // A ligature: every component must name a character, or the name says
  // nothing.
  std::u32string joined;
  size_t start = 0;
  while (start <= base.size()) {
    size_t end = base.find('_', start);
    if (end == std::string_view::npos) end = base.size();
    std::u32string part = componentToUnicode(base.substr(start, end - start));
    if (part.empty()) return {};
    joined += part;
    start = end + 1;
  }
  return joined;
}

char32_t QVPDFEncoding::dingbatNameToUnicode(std::string_view glyphName) {
  if (glyphName.size() < 2 || glyphName[0] != 'a') return 0;
  for (const NamedCharacter& e : kZapfDingbats)
    if (glyphName == e.name) return e.unicode;
  return 0;
}
