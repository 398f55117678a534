// The outcome of an operation that can fail, with the reason in words for whoever reports it
// (the error display, error.log, the caller's last-error text). A success carries no text, so
// returning one costs no allocation.
#pragma once

#include <utility>

#include "platform/text.h"

namespace dorvex {

class [[nodiscard]] Result {
  public:
    // No caller acts differently on kinds of failure: what differs is said in the reason.
    enum class Code : unsigned char { Ok, Failed };

    Result() = default;
    static Result Failure(Text reason) { return Result(Code::Failed, std::move(reason)); }

    Code GetCode() const { return code_; }
    bool Ok() const { return code_ == Code::Ok; }
    explicit operator bool() const { return Ok(); }
    // Empty for a success.
    const Text& Reason() const { return reason_; }

  private:
    Result(Code code, Text reason) : code_(code), reason_(std::move(reason)) {}

    Code code_ = Code::Ok;
    Text reason_;
};

}  // namespace dorvex
