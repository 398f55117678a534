#include "tables/record_cursor.h"

#include "tables/field_split.h"
#include "tables/record_filter.h"

namespace dorvex {

RecordCursor::RecordCursor() = default;
RecordCursor::RecordCursor(DataFile* file) : file_(file) {}
RecordCursor::~RecordCursor() = default;

bool RecordCursor::Open(DataFile* file, const Text* filter) {
    if (file != nullptr && file != file_)
        filter_.reset();  // its conditions and indexes belong to the other file
    if (file != nullptr)
        file_ = file;
    isOpen_ = false;
    atEnd_ = true;
    if (file_ == nullptr)
        return false;
    if (!file_->IsOpen() && !file_->Open())
        return false;
    isOpen_ = true;
    MakeFields();
    if (filter != nullptr && !SetFilter(*filter)) {
        isOpen_ = false;
        return false;
    }
    if (filter_ && filter_->HasConditions())
        FindFirst();
    else
        ReadRecordAt(file_->FirstRowPos());
    return true;
}

Result RecordCursor::SetFilter(const Text& text) {
    if (!filter_)
        filter_ = std::make_unique<RecordFilter>(*this);
    return filter_->SetFilter(text);
}

bool RecordCursor::FindFirst() {
    if (!filter_)
        return isOpen_ && ReadRecordAt(file_->FirstRowPos());
    return filter_->FindFirst();
}

bool RecordCursor::AllConditionsHold() const {
    return !filter_ || filter_->AllConditionsHold();
}

void RecordCursor::Close() {
    filter_.reset();  // closes its column indexes, writing those that changed
    fields_.clear();
    fieldByName_.clear();
    currentLine_.clear();
    currentRowPos_ = -1;
    file_ = nullptr;
    isOpen_ = false;
    atEnd_ = true;
}

bool RecordCursor::IsEOF() const {
    return atEnd_ || file_ == nullptr || !file_->IsOpen();
}

bool RecordCursor::MoveNext() {
    if (!isOpen_ || IsEOF()) {
        atEnd_ = true;
        return false;
    }
    return ReadRecord();
}

bool RecordCursor::ReadRecordAt(std::int64_t pos) {
    if (!isOpen_ || file_ == nullptr || !file_->Seek(pos)) {
        atEnd_ = true;
        return false;
    }
    return ReadRecord();
}

void RecordCursor::MakeFields() {
    fields_.clear();
    fieldByName_.clear();
    for (const DataColumn& column : file_->Columns()) {
        fieldByName_.insert_or_assign(column.name, fields_.size());
        fields_.push_back(FieldValue{column.name, {}});
    }
}

bool RecordCursor::ReadRecord() {
    atEnd_ = !file_->ReadLine(currentLine_);
    currentRowPos_ = atEnd_ ? file_->Tell() : file_->LastLinePos();
    SplitCurrentLine();
    return !atEnd_;
}

void RecordCursor::SplitCurrentLine() {
    TextView rest = currentLine_;
    for (FieldValue& field : fields_)
        TakeField(field.value, rest, kFieldSeparator);
}

const Text* RecordCursor::GetFieldValue(TextView name) const {
    auto found = fieldByName_.find(ToUpper(name));
    return found == fieldByName_.end() ? nullptr : &fields_[found->second].value;
}

}  // namespace dorvex
