#pragma once
// The encoder component's tasks, in order; the list owns them.
#include <memory>
#include <vector>

namespace vidrelo {

class TCustomFFmpeg;
class TFFmpeg;

class TFFmpegList {
public:
    TFFmpegList();
    ~TFFmpegList();
    TFFmpegList(const TFFmpegList&) = delete;
    TFFmpegList& operator=(const TFFmpegList&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Null for an index outside the list.
    TFFmpeg* Item(int AIndex) const;
    int IndexOf(const TCustomFFmpeg* AItem) const;  // -1 when absent
    int Add(std::unique_ptr<TFFmpeg> AItem);
    void Exchange(int AIndex1, int AIndex2);
    void Delete(int AIndex);
    void Clear();

private:
    std::vector<std::unique_ptr<TFFmpeg>> FItems;
};

}  // namespace vidrelo
