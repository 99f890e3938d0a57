// A list of texts, each with one object pointer attached, sorted or in insertion order,
// case-sensitive or not, with an optional hashed lookup of a text. It stands in for the
// class library's string lists, including their text-file rules (see loadFromText).
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class StringList {
public:
    explicit StringList(bool sorted = false, bool caseSensitive = false, bool hashed = false,
                        bool acceptDuplicates = true);

    int count() const;
    const std::string& text(int i) const;
    void* object(int i) const;
    void setObject(int i, void* object);

    // Appends (or, when sorted, inserts in text order) and returns the new entry's index;
    // -1 when duplicates are not accepted and the text is present.
    int add(const std::string& text, void* object = nullptr);
    void insert(int i, const std::string& text, void* object = nullptr);
    void remove(int i);
    void clear();

    // Index of the first entry with this text (hashed when the list is hashed), or -1.
    int indexOf(const std::string& text) const;
    int indexOfObject(const void* object) const;

    // Reads entries from bytes: CR LF, lone CR and lone LF end a line, a NUL byte ends the
    // text, a final line break adds no empty entry, empty lines in the middle stay.
    void loadFromText(const char* bytes, size_t size);
    // Every entry followed by CR LF.
    std::string saveToText() const;
    // False (and the list unchanged) when the file cannot be read.
    bool loadFromFile(const std::string& path);
    // Writes a temporary file in the same folder and renames it over path, so a failure
    // leaves the old file as it was; false when any step fails.
    bool saveToFile(const std::string& path) const;

private:
    struct Entry {
        std::string text;
        void* object;
    };
    int compare(const std::string& a, const std::string& b) const;
    std::string key(const std::string& text) const;
    void rebuildHash() const;

    std::vector<Entry> entries;                              // in list order
    bool sorted, caseSensitive, hashed, acceptDuplicates;    // settings fixed at construction
    mutable std::unordered_multimap<std::string, int> hash;  // key text -> index, when hashed
    mutable bool hashValid = false;                          // hash matches entries
};
