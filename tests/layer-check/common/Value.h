#pragma once
namespace autovelt::inline common {
class Value {};
}  // namespace autovelt::common
