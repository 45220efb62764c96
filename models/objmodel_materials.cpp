// MTL material libraries: the newmtl defaults, the key dispatch, and objmodel's
// load_materials, whose numbering restarts at record 0 for every library.
#include <cstring>

#include "models/objmodel.h"
#include "models/text_scanner.h"
#include "platform/printable.h"

objmaterial default_material(const std::string& name) {
    objmaterial m;
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = 0.2f;
        m.diffuse[i] = 0.8f;
        m.specular[i] = 0.0f;
    }
    m.ambient[3] = m.diffuse[3] = m.specular[3] = 1.0f;
    m.shininess = 0.0f;
    m.alpha = 1.0f;
    m.name = name;
    return m;
}

namespace {

// "%f %f %f" into the first three components; the fourth becomes 1 either way.
void read_colour(text_scanner& scanner, float colour[4]) {
    for (int i = 0; i < 3; ++i)
        if (!scanner.read_float(colour[i])) break;
    colour[3] = 1.0f;
}

}  // namespace

std::vector<objmaterial> parse_material_library(const std::string& text,
                                                std::map<std::string, int32_t>& names) {
    std::vector<objmaterial> records;
    text_scanner scanner(text);
    std::string key;
    while (scanner.next_token(key)) {
        if (key[0] == 'n') {
            const std::string name = first_word(scanner.rest_of_line());
            records.push_back(default_material(name));
            names[name] = static_cast<int32_t>(records.size()) - 1;
            continue;
        }
        // Keys before the first newmtl have no record to go to.
        if (records.empty()) {
            scanner.skip_line();
            continue;
        }
        objmaterial& m = records.back();
        const char second = key.size() > 1 ? key[1] : '\0';
        float value = 0;
        int number = 0;
        switch (key[0]) {
        case 'K':
            if (second == 'a')
                read_colour(scanner, m.ambient);
            else if (second == 'd')
                read_colour(scanner, m.diffuse);
            else if (second == 's')
                read_colour(scanner, m.specular);
            else
                scanner.skip_line();
            break;
        case 'N':
            // Only Ns: Ni (the refraction index) would otherwise overwrite the shininess.
            if (second == 's' && scanner.read_float(value))
                m.shininess = value / 1000.0f;
            else if (second != 's')
                scanner.skip_line();
            break;
        case 'T':
            if (second == 'r') {
                if (scanner.read_float(value)) m.alpha = 1.0f - value;
            } else {
                scanner.skip_line();
            }
            break;
        case 'd':
            if (scanner.read_float(value)) m.alpha = value;
            break;
        case 'i':
            if (scanner.read_int(number) && number == 1) {
                m.specular[0] = m.specular[1] = m.specular[2] = 0.0f;
                m.specular[3] = 1.0f;
            }
            break;
        case 'm':
            if (key.find("map_Kd") != std::string::npos)
                m.diffuse_texture = first_word(scanner.rest_of_line());
            else if (key.find("map_bump") != std::string::npos)
                m.bump_texture = first_word(scanner.rest_of_line());
            else
                scanner.skip_line();
            break;
        default:
            scanner.skip_line();
        }
    }
    return records;
}

void objmodel::load_materials(const std::string& path) {
    // The record is added before the file is tried: a missing library leaves one
    // all-zero material that every usemtl resolves to, and no "default" is added later.
    ++material_count;
    materials.resize(material_count);
    std::string text, why;
    if (!read_text_file(path, text, &why)) {
        // The model loads all the same: one line, so that a show maker sees why it looks wrong.
        if (why.empty())
            std::printf("objmodel::load() : material library \"%s\" is missing; the model's materials stay blank\n",
                        platform::printable(path, 200).c_str());
        else
            std::printf("objmodel: material library \"%s\": %s\n", platform::printable(path, 200).c_str(), why.c_str());
        return;
    }
    materials = parse_material_library(text, material_names);
    material_count = static_cast<int32_t>(materials.size());
}
