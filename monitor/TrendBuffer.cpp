#include "monitor/TrendBuffer.h"

TrendBuffer::TrendBuffer(std::uint64_t spanMs, std::size_t capacity)
    : spanMs_(spanMs), storage_(capacity) {}

void TrendBuffer::Push(const TrendSample& sample) {
    if (storage_.empty()) return;
    if (size_ == storage_.size()) DropOldest();
    storage_[(first_ + size_) % storage_.size()] = sample;
    ++size_;
    ++pushed_;
    while (size_ > 1 && sample.TimeMs > At(0).TimeMs + spanMs_) DropOldest();
}

void TrendBuffer::Clear() {
    first_ = size_ = 0;
    pushed_ = 0;
}

const TrendSample& TrendBuffer::At(std::size_t i) const {
    return storage_[(first_ + i) % storage_.size()];
}

void TrendBuffer::DropOldest() {
    first_ = (first_ + 1) % storage_.size();
    --size_;
}
