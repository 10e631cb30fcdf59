// Reads documents with this project's YAML reader and prints what it makes of each, in
// the form SnakeDump.java prints: NAME TAB BASE64 lines in, NAME TAB RESULT lines out.
#include <iostream>
#include <string>

#include "base64.h"
#include "dump.h"

int main() {
    std::ios::sync_with_stdio(false);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        const std::size_t tab = line.find('\t');
        const std::string text = yaml::testing::base64Decode(line.substr(tab + 1));
        std::cout << line.substr(0, tab) << '\t' << yaml::testing::dump(yaml::read(text)) << '\n';
    }
}
