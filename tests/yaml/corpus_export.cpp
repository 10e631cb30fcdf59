// Prints the documents the real readers must judge, one per line, for the oracle script
// test: NAME TAB BASE64(document) TAB what SnakeYAML must say TAB what PyYAML must say.
// The corpus comes with recorded answers; for each hostile value written in each place,
// SnakeYAML must read exactly what this project's reader reads (which yaml_test checks to
// be the value as typed), and PyYAML is not asked ("-").
#include <iostream>

#include "base64.h"
#include "corpus.h"
#include "dump.h"
#include "hostile.h"

int main() {
    using namespace yaml::testing;
    for (const CorpusCase& c : corpus()) {
        std::cout << c.name << '\t' << base64Encode(c.document) << '\t' << c.snake << '\t'
                  << (c.pyyaml == "=" ? c.snake : c.pyyaml) << '\n';
    }
    const Place places[] = {Place::TopLevelKey, Place::ResistanceKey, Place::TextValue, Place::NumberValue};
    const auto& values = hostileValues();
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (Place place : places) {
            const std::string doc = blockWith(written(values[i], place), place);
            std::cout << "writer-" << placeName(place) << '-' << i << '\t' << base64Encode(doc) << '\t'
                      << dump(yaml::read(doc)) << "\t-\n";
        }
    }
}
