// Message-map lookup and the files of a drop.
#include "plat/message_map.hpp"

#include "core/msg_queue.hpp"

#include <algorithm>
#include <cstring>

namespace plat {

const MapEntry* MessageMap::Lookup(UINT message, UINT id) const {
    for (const MapEntry& e : entries_)
        if (e.message == message && (message != WM_COMMAND || e.id == id))
            return &e;
    return nullptr;
}

std::vector<int> MessageMap::CommandIds() const {
    std::vector<int> ids;
    for (const MapEntry& e : entries_)
        if (e.message == WM_COMMAND)
            ids.push_back(int(e.id));
    return ids;
}

} // namespace plat

namespace {
const plat::DropList* Live(HDROP drop) {
    return drop && plat::MsgQueue::Current()->HasDrop(drop) ? drop : nullptr;
}
} // namespace

UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT size) {
    const plat::DropList* d = Live(drop);
    if (!d)
        return 0;
    if (index == 0xFFFFFFFFu)
        return UINT(d->paths.size());
    if (index >= d->paths.size())
        return 0;
    const std::string& p = d->paths[index];
    if (!buffer)
        return UINT(p.size());
    if (size == 0)
        return 0;
    UINT n = std::min<UINT>(UINT(p.size()), size - 1);
    std::memcpy(buffer, p.data(), n);
    buffer[n] = '\0';
    return n;
}

BOOL DragQueryPoint(HDROP drop, TPoint* point) {
    const plat::DropList* d = Live(drop);
    if (!d)
        return FALSE;
    if (point)
        *point = d->point;
    return TRUE;
}

void DragFinish(HDROP drop) {
    if (drop)
        plat::MsgQueue::Current()->FinishDrop(drop);
}

UINT TDropInfo::DragQueryFileCount() const {
    return ::DragQueryFile(handle_, 0xFFFFFFFFu, nullptr, 0);
}
UINT TDropInfo::DragQueryFileNameLen(UINT index) const {
    return ::DragQueryFile(handle_, index, nullptr, 0);
}
UINT TDropInfo::DragQueryFile(UINT index, char* name, UINT maxChars) const {
    return ::DragQueryFile(handle_, index, name, maxChars);
}
bool TDropInfo::DragQueryPoint(TPoint& point) const {
    return ::DragQueryPoint(handle_, &point) != 0;
}
void TDropInfo::DragFinish() {
    ::DragFinish(handle_);
    handle_ = nullptr;
}
