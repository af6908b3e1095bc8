#include "LineUnit.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <vector>

TLineUnit::TLineUnit(int comNumber, bool loader) : line_(comNumber), loader_(loader) {
    thread_ = std::thread([this] { Run(); });
}

TLineUnit::~TLineUnit() {
    stop_ = true;
    thread_.join();
}

std::string TLineUnit::Received() const {
    std::lock_guard g(m_);
    return received_;
}

void TLineUnit::DropCtsAfter(std::size_t bodyBytes) {
    dropCtsAfter_ = bodyBytes;
    // The line drops CTS at that very byte, so the port finds it off before its next block however
    // late this unit's thread reads; the thread then falls silent when it reaches the byte.
    line_.DropCtsWhen(
        [bodyBytes, text = std::string(), left = std::size_t{0}, count = std::size_t{0}](char c) mutable {
            if (left > 0) {
                --left;
                return ++count >= bodyBytes;
            }
            if (c != '\r' && c != '\n') {
                text += c;
                return false;
            }
            std::istringstream words(text);
            text.clear();
            std::vector<std::string> w;
            for (std::string word; words >> word;) w.push_back(word);
            if (w.size() == 5 && w[0] == "LF") left = std::strtoul(w[2].c_str(), nullptr, 10);
            return false;
        });
}

void TLineUnit::Run() {
    while (!stop_) {
        const std::string bytes = line_.TakeTransmitted();
        if (!bytes.empty()) {
            {
                std::lock_guard g(m_);
                received_ += bytes;
            }
            for (const char c : bytes) Take(c);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TLineUnit::Take(char c) {
    if (dropped_) return;
    if (bodyLeft_ > 0) {
        --bodyLeft_;
        const std::size_t body = ++body_;
        const std::size_t after = dropCtsAfter_;
        if (after != 0 && body >= after) {
            line_.SetCts(false);
            dropped_ = true;
            return;
        }
        if (bodyLeft_ == 0) line_.Receive("\r\nImage OK\r\n>");
        return;
    }
    if (c != '\r' && c != '\n') {
        lineText_ += c;
        return;
    }
    const std::string text = std::move(lineText_);
    lineText_.clear();
    std::istringstream words(text);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (loader_ && w.size() == 5 && w[0] == "LF") {
        bodyLeft_ = std::strtoul(w[2].c_str(), nullptr, 10);
        if (bodyLeft_ == 0) line_.Receive("\r\nImage OK\r\n>");
        return;
    }
    if (text == "LOADR") loader_ = true;
    line_.Receive(std::string("\r\n") + (loader_ ? '>' : '#'));
}
