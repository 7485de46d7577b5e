#include "fake_controls.h"

#include "common/error.h"

namespace qly::test {

int EventLog::indexOf(const std::string& name) const {
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void FakeButton::setFocus() {
    if (refuseFocus_) {
        throw Error("the button cannot take the focus");
    }
    ++focusCount_;
}

void FakeComboBox::addItem(const std::string& text, int32_t charset) {
    items_.emplace_back(text, charset);
}

std::string FakeComboBox::item(int32_t index) const {
    if (index < 0 || index >= itemCount()) {
        throw Error("no such item");
    }
    return items_[static_cast<std::size_t>(index)].first;
}

void FakeMainWindow::setCaption(const std::string& text) {
    caption_ = text;
    captions_.push_back(text);
}

void FakeMainWindow::loadSkin(const std::string& path) {
    skinPath_ = path;
    if (!skinLoads_) {
        throw Error("cannot load the skin " + path);
    }
    width_ = skinWidth_;
    height_ = skinHeight_;
    skinHeld_ = true;
}

void FakeMainWindow::releaseSkin() {
    ++releaseSkinCount_;
    skinHeld_ = false;
    if (log_ != nullptr) {
        log_->add("releaseSkin");
    }
}

void FakeMainWindow::setRoundRegion(int32_t cornerWidth, int32_t cornerHeight) {
    region_ = std::make_pair(cornerWidth, cornerHeight);
}

void FakeMainWindow::show() {
    shown_ = true;
    if (log_ != nullptr) {
        log_->add("show");
    }
}

void FakeMainWindow::destroy() {
    ++destroyCount_;
    if (log_ != nullptr) {
        log_->add("destroy");
    }
}

} // namespace qly::test
