#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::input {

// One input file.
struct InputEntry
{
    std::string Path;        // what the converter receives
    std::string DisplayText; // first column
    std::string TypeText;    // second column
};

using EntryId = std::uint64_t;

// Told about every change, so that a view can follow the list row by row.
class InputListObserver
{
public:
    virtual ~InputListObserver() = default;
    virtual void EntriesAboutToBeInserted(std::size_t first, std::size_t count) = 0;
    virtual void EntriesInserted() = 0;
    virtual void EntriesAboutToBeRemoved(std::size_t first, std::size_t count) = 0;
    virtual void EntriesRemoved() = 0;
};

// The list of files waiting to be converted, in conversion order; index 0 is the head.
// It is the single owner of the entries: the batch reads the paths, the view shows the
// display and type texts, and both see the same list. Every entry keeps an id for its
// life, so an entry can be found again after others were removed in front of it.
class InputList
{
public:
    void SetObserver(InputListObserver* observer) { m_observer = observer; }

    std::size_t Count() const { return m_items.size(); }
    bool Empty() const { return m_items.empty(); }
    const InputEntry& At(std::size_t index) const { return m_items[index].Entry; }
    EntryId IdAt(std::size_t index) const { return m_items[index].Id; }
    std::optional<std::size_t> IndexOf(EntryId id) const;

    EntryId Append(InputEntry entry);
    void Append(std::vector<InputEntry> entries);
    // Appends `count` entries made one by one by `make(i)`, told to the observer as one
    // insertion: a long list is built in place, without a copy of it on the side.
    template <typename Make> void Append(std::size_t count, Make make)
    {
        if (count == 0)
            return;
        if (m_observer)
            m_observer->EntriesAboutToBeInserted(m_items.size(), count);
        for (std::size_t i = 0; i < count; ++i)
            m_items.push_back({m_nextId++, make(i)});
        if (m_observer)
            m_observer->EntriesInserted();
    }
    void RemoveAt(std::size_t index);
    bool Remove(EntryId id);
    void Clear();

    // The paths in list order, as the batch sees them.
    std::vector<std::string> Paths() const;

private:
    struct Item
    {
        EntryId Id;
        InputEntry Entry;
    };
    // Ids grow with every append and the order never changes, so the ids stay sorted.
    std::deque<Item> m_items;
    EntryId m_nextId = 1;
    InputListObserver* m_observer = nullptr;
};

// The second column: the last three characters of `source` in upper case (all of it when
// shorter). Characters are counted as the text's own characters, not bytes.
std::string TypeTextOf(std::string_view source);

// The entry for a file named on the command line or found as it is: the display text is
// the path, the type text follows from it.
InputEntry EntryForPath(const std::string& path);

} // namespace pivora::input
