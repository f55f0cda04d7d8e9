#include "bench_cases.h"

#include "bench_inputs.h"

namespace {

constexpr int MAP_SIZE = 8000;

std::string in(const std::string& folder, const char* name)
{
    return folder + "/" + name;
}

// revisto: a 5,000-line table, about ten labels under each function id.
int generate_revisto(int scale, const std::string& folder)
{
    return write_revisto_tables(in(folder, "usecode.en.txt"), in(folder, "usecode.ja.txt"), 5000 * scale, 10);
}

// revisto: every label under one function id.
int generate_revisto_one_id(int scale, const std::string& folder)
{
    const int lines = 800 * scale;
    return write_revisto_tables(in(folder, "usecode.en.txt"), in(folder, "usecode.ja.txt"), lines, lines);
}

Invocation revisto_run(const std::string& input, const std::string& output)
{
    const std::string english = in(input, "usecode.en.txt");
    const std::string japanese = in(input, "usecode.ja.txt");
    const std::string result = in(output, "usecode.ja-new.txt");
    return {{"-o", result, "--en", english, japanese}, {english, japanese}, {result}};
}

// oxleth: 1,000 messages, each translated, with an 8,000-character map.
int generate_oxleth(int scale, const std::string& folder)
{
    ExultMessageFile messages;
    messages.messages = 1000 * scale;
    if (write_exult_message_file(in(folder, "exultmsg.txt"), messages) != 0) return -1;
    if (write_charmap(in(folder, "usecode.map"), MAP_SIZE) != 0) return -1;
    return write_exult_translation_file(in(folder, "exultmsg.ja.txt"), 1000 * scale, MAP_SIZE);
}

// oxleth: a long run of comment lines before the messages (a million at
// 100×), then the messages that 20,000 records (at 100×) translate.
int generate_oxleth_comments(int scale, const std::string& folder)
{
    ExultMessageFile messages;
    messages.leading_comments = 10000 * scale;
    messages.messages = 130;
    if (write_exult_message_file(in(folder, "exultmsg.txt"), messages) != 0) return -1;
    if (write_charmap(in(folder, "usecode.map"), MAP_SIZE) != 0) return -1;
    return write_exult_translation_file(in(folder, "exultmsg.ja.txt"), 200 * scale, MAP_SIZE);
}

// oxleth: the translation file names only messages the message file lacks,
// so every one of them is added at the end.
int generate_oxleth_missing(int scale, const std::string& folder)
{
    ExultMessageFile messages;
    messages.messages = 300 * scale;
    messages.untranslatable_only = true;
    if (write_exult_message_file(in(folder, "exultmsg.txt"), messages) != 0) return -1;
    if (write_charmap(in(folder, "usecode.map"), MAP_SIZE) != 0) return -1;
    return write_exult_translation_file(in(folder, "exultmsg.ja.txt"), 300 * scale, MAP_SIZE);
}

Invocation oxleth_run(const std::string& input, const std::string& output)
{
    const std::string messages = in(input, "exultmsg.txt");
    const std::string map = in(input, "usecode.map");
    const std::string translations = in(input, "exultmsg.ja.txt");
    const std::string result = in(output, "exultmsg.txt.new");
    return {{"-o", result, "-m", map, "--ja", translations, messages}, {messages, map, translations}, {result}};
}

// u7kit exultmsg: today's message file of 1,000 messages (100,000 at 100×),
// each translated by an MSG record, with an 8,000-character map.
int generate_u7kit_exultmsg(int scale, const std::string& folder)
{
    if (write_charmap(in(folder, "usecode.map"), MAP_SIZE) != 0) return -1;
    return write_todays_exult_files(in(folder, "exultmsg.txt"), in(folder, "exultmsg.ja.txt"), 1000 * scale, MAP_SIZE);
}

Invocation u7kit_exultmsg_run(const std::string& input, const std::string& output)
{
    Invocation run = oxleth_run(input, output);
    run.arguments.insert(run.arguments.begin(), "exultmsg");
    return run;
}

// glimmet: 10 fonts of 256 glyphs.
int generate_glimmet(int scale, const std::string& folder)
{
    return write_font_archive(in(folder, "FONTS.VGA"), 10 * scale, 256);
}

// glimmet: a small file whose entries all name one 64 KB font.
int generate_glimmet_shared(int scale, const std::string& folder)
{
    return write_shared_shape_archive(in(folder, "FONTS.VGA"), 5 * scale, 65536);
}

Invocation glimmet_run(const std::string& input, const std::string& output)
{
    const std::string fonts = in(input, "FONTS.VGA");
    const std::string dump = in(output, "fonts.vga.txt");
    return {{"--dump", dump, fonts}, {fonts}, {dump}};
}

// sibrel_bmp: ENDSHAPE.FLX of about 500 KB of other entries beside the
// subtitle shapes, and the seven images (which do not grow).
int generate_sibrel(int scale, const std::string& folder)
{
    if (write_endshape_archive(in(folder, "ENDSHAPE.FLX"), static_cast<std::size_t>(500000) * static_cast<std::size_t>(scale)) != 0) {
        return -1;
    }
    return write_subtitle_bitmaps(in(folder, "sibrel."));
}

Invocation sibrel_run(const std::string& input, const std::string& output)
{
    const std::string archive = in(input, "ENDSHAPE.FLX");
    const std::string result = in(output, "endshape.flx.new");
    Invocation run{{"-o", result, "-n", in(input, "sibrel."), archive}, {archive}, {result}};
    for (int number = 1; number <= 7; ++number) run.inputs.push_back(in(input, "sibrel.") + std::to_string(number) + ".bmp");
    return run;
}

// tawnix: MAINSHP.FLX with 100 introduction and 200 ending lines beside
// about 250 KB of other entries, exported and converted in one run.
int generate_tawnix(int scale, const std::string& folder)
{
    const std::size_t plain = static_cast<std::size_t>(250000) * static_cast<std::size_t>(scale);
    if (write_mainshp_archive(in(folder, "MAINSHP.FLX"), 100 * scale, 200 * scale, plain) != 0) return -1;
    if (write_charmap(in(folder, "usecode.map"), MAP_SIZE) != 0) return -1;
    return write_subtitle_translation_file(in(folder, "bg_text.ja.txt"), 100 * scale, 200 * scale, MAP_SIZE);
}

Invocation tawnix_run(const std::string& input, const std::string& output)
{
    const std::string archive = in(input, "MAINSHP.FLX");
    const std::string map = in(input, "usecode.map");
    const std::string japanese = in(input, "bg_text.ja.txt");
    const std::string english = in(output, "bg_text.en.txt");
    const std::string result = in(output, "mainshp.flx.new");
    return {{"--write-en-text", "--conv-ja-text", "-o", result, "-m", map, "--en", english, "--ja", japanese, archive},
            {archive, map, japanese},
            {english, result}};
}

}  // namespace

const std::vector<BenchCase>& bench_cases()
{
    static const std::vector<BenchCase> cases = {
        {"revisto", "5,000-line tables", generate_revisto, revisto_run},
        {"oxleth", "1,000 messages, all translated, 8,000-char map", generate_oxleth, oxleth_run},
        {"glimmet", "10 fonts of 256 glyphs", generate_glimmet, glimmet_run},
        {"sibrel_bmp", "ENDSHAPE.FLX (500 KB) + 7 BMPs", generate_sibrel, sibrel_run},
        {"tawnix", "MAINSHP.FLX, 300 lines, export+convert", generate_tawnix, tawnix_run},
        {"revisto", "800 labels under one function id", generate_revisto_one_id, revisto_run},
        {"oxleth", "10,000 comments before 200 records", generate_oxleth_comments, oxleth_run},
        {"oxleth", "300 records for absent messages", generate_oxleth_missing, oxleth_run},
        {"glimmet", "5 entries naming one 64 KB font", generate_glimmet_shared, glimmet_run},
        {"u7kit", "exultmsg: 1,000 MSG records, 8,000-char map", generate_u7kit_exultmsg, u7kit_exultmsg_run},
    };
    return cases;
}
