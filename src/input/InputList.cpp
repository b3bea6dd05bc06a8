#include "input/InputList.h"

#include <algorithm>
#include <cctype>

namespace pivora::input {

std::optional<std::size_t> InputList::IndexOf(EntryId id) const
{
    const auto found =
        std::lower_bound(m_items.begin(), m_items.end(), id,
                         [](const Item& item, EntryId key) { return item.Id < key; });
    if (found == m_items.end() || found->Id != id)
        return std::nullopt;
    return static_cast<std::size_t>(found - m_items.begin());
}

EntryId InputList::Append(InputEntry entry)
{
    const std::size_t at = m_items.size();
    if (m_observer)
        m_observer->EntriesAboutToBeInserted(at, 1);
    const EntryId id = m_nextId++;
    m_items.push_back({id, std::move(entry)});
    if (m_observer)
        m_observer->EntriesInserted();
    return id;
}

void InputList::Append(std::vector<InputEntry> entries)
{
    if (entries.empty())
        return;
    const std::size_t at = m_items.size();
    if (m_observer)
        m_observer->EntriesAboutToBeInserted(at, entries.size());
    for (InputEntry& entry : entries)
        m_items.push_back({m_nextId++, std::move(entry)});
    if (m_observer)
        m_observer->EntriesInserted();
}

void InputList::RemoveAt(std::size_t index)
{
    if (index >= m_items.size())
        return;
    if (m_observer)
        m_observer->EntriesAboutToBeRemoved(index, 1);
    if (index == 0)
        m_items.pop_front();
    else
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_observer)
        m_observer->EntriesRemoved();
}

bool InputList::Remove(EntryId id)
{
    const std::optional<std::size_t> index = IndexOf(id);
    if (!index)
        return false;
    RemoveAt(*index);
    return true;
}

void InputList::Clear()
{
    if (m_items.empty())
        return;
    if (m_observer)
        m_observer->EntriesAboutToBeRemoved(0, m_items.size());
    m_items.clear();
    if (m_observer)
        m_observer->EntriesRemoved();
}

std::vector<std::string> InputList::Paths() const
{
    std::vector<std::string> paths;
    paths.reserve(m_items.size());
    for (const Item& item : m_items)
        paths.push_back(item.Entry.Path);
    return paths;
}

std::string TypeTextOf(std::string_view source)
{
    // Step back over three characters; UTF-8 continuation bytes belong to the one before.
    std::size_t begin = source.size();
    for (int characters = 0; characters < 3 && begin > 0; ++characters) {
        --begin;
        while (begin > 0 && (static_cast<unsigned char>(source[begin]) & 0xC0) == 0x80)
            --begin;
    }
    std::string type(source.substr(begin));
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) {
        return c < 0x80 ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
    });
    return type;
}

InputEntry EntryForPath(const std::string& path)
{
    const std::size_t first = path.find_first_not_of(' ');
    const std::size_t last = path.find_last_not_of(' ');
    const std::string trimmed =
        first == std::string::npos ? std::string() : path.substr(first, last - first + 1);
    return {path, path, TypeTextOf(trimmed)};
}

} // namespace pivora::input
