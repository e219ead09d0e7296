// Catalog entries by symbol, printed with arguments checked at compile time.
//
// msgc turns each catalog file into an `enum class <stem>_msg` (one
// enumerator per entry, named in the file) and a specialisation of
// `imsg_catalog_of` holding the catalog and, per entry, the kinds of the
// arguments its format converts (see imsg_detail::kind_of). Every call
//
//   imsg_print(IMSG_ERROR, sum_stream_msg::NotModifiable, component.name());
//
// is checked while compiling: the number and kinds of the arguments must
// match the entry's conversions ("%s" takes a string, "%d" an int, "%u" an
// unsigned int, "%ld" a long, "%lu" an unsigned long, "%c" a char or int, a
// "*" width an int), or the call does not compile. A string argument is
// anything convertible to `const char*` or a std::string.
#ifndef SERVICES_IMSG_MESSAGE_H
#define SERVICES_IMSG_MESSAGE_H

#include <concepts>
#include <cstddef>
#include <string>
#include <type_traits>

#include "services/imsg.h"

// Specialised by the generated catalog headers for each `<stem>_msg` enum:
//   static constexpr const imsg_catalog_t* catalog;      the catalog
//   static constexpr int count;                          its number of entries
//   static constexpr const char* const signatures[];     per entry, the kinds
template <typename E>
struct imsg_catalog_of;

template <typename E>
concept imsg_message_id = std::is_enum_v<E> && requires {
  { imsg_catalog_of<E>::catalog } -> std::convertible_to<const imsg_catalog_t*>;
  imsg_catalog_of<E>::signatures[0];
};

namespace imsg_detail {

// The kind letter of an argument type: 's' string, 'd' int, 'u' unsigned,
// 'l' long, 'L' unsigned long, 'q' long long, 'Q' unsigned long long, 'c'
// char, 'f' double, 'p' pointer; '?' for a type no format converts.
template <typename T>
consteval char kind_of() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, std::string> || std::is_convertible_v<const U&, const char*>)
    return 's';
  else if constexpr (std::is_same_v<U, char>)
    return 'c';
  else if constexpr (std::is_same_v<U, bool>)
    return '?';
  else if constexpr (std::is_integral_v<U> && std::is_signed_v<U> && sizeof(U) <= sizeof(int))
    return 'd';
  else if constexpr (std::is_integral_v<U> && std::is_unsigned_v<U> && sizeof(U) <= sizeof(int))
    return 'u';
  else if constexpr (std::is_same_v<U, long>)
    return 'l';
  else if constexpr (std::is_same_v<U, unsigned long>)
    return 'L';
  else if constexpr (std::is_same_v<U, long long>)
    return 'q';
  else if constexpr (std::is_same_v<U, unsigned long long>)
    return 'Q';
  else if constexpr (std::is_floating_point_v<U>)
    return 'f';
  else if constexpr (std::is_pointer_v<U>)
    return 'p';
  else
    return '?';
}

// Whether an argument of kind `given` may fill a conversion of kind `wanted`.
constexpr bool fits(char wanted, char given) {
  return wanted == given || (wanted == 'c' && given == 'd');
}

// Whether the kinds of `Args` fill the conversions of `signature` exactly.
template <typename... Args>
constexpr bool arguments_match(const char* signature) {
  constexpr char given[] = {kind_of<Args>()..., '\0'};
  size_t i = 0;
  for (; signature[i] != '\0' && given[i] != '\0'; ++i)
    if (!fits(signature[i], given[i]))
      return false;
  return signature[i] == '\0' && given[i] == '\0';
}

// What a checked argument becomes in the variadic call.
template <typename T>
auto pass(const T& value) {
  if constexpr (std::is_same_v<T, std::string>)
    return value.c_str();
  else if constexpr (std::is_convertible_v<const T&, const char*>)
    return static_cast<const char*>(value);
  else
    return value;
}

// Entry `index` of `catalog` formatted with arguments already passed.
template <typename... Passed>
std::string format(const imsg_catalog_t* catalog, int index, Passed... passed) {
  int size = imsg_sprintf(nullptr, 0, catalog, index, passed...);
  std::string text(static_cast<size_t>(size) + 1, '\0');
  imsg_sprintf(text.data(), text.size(), catalog, index, passed...);
  text.resize(static_cast<size_t>(size));
  return text;
}

}  // namespace imsg_detail

// A catalog entry whose format has been checked against the argument types
// `Args` (decayed: a string literal is a `const char*`). A function that is
// handed a message to print takes one of these, so that its callers' choice
// is checked too. Made implicitly from any generated message enumerator; the check
// runs while compiling, and a mismatch stops the build at the call.
template <typename... Args>
struct imsg_checked_id {
  const imsg_catalog_t* catalog;
  int index;

  template <imsg_message_id E>
  consteval imsg_checked_id(E id)  // NOLINT: implicit by design
      : catalog(imsg_catalog_of<E>::catalog), index(static_cast<int>(id)) {
    if (index < 0 || index >= imsg_catalog_of<E>::count)
      throw "message symbol outside its catalog";
    if (!imsg_detail::arguments_match<Args...>(imsg_catalog_of<E>::signatures[index]))
      throw "the arguments do not match the conversions of the message's format";
  }
};

// Prints the entry at `severity` with `args` (see imsg_print of the message
// service for where each severity goes).
template <typename... Args>
void imsg_print(int severity, imsg_checked_id<std::decay_t<const Args&>...> id,
                const Args&... args) {
  imsg_print(severity, id.catalog, id.index, imsg_detail::pass(args)...);
}

// Trace output of `facility` (see imsg_trace_print of the message service).
template <typename... Args>
void imsg_trace_print(const char* facility, imsg_checked_id<std::decay_t<const Args&>...> id,
                      const Args&... args) {
  imsg_trace_print(facility, id.catalog, id.index, imsg_detail::pass(args)...);
}

// The entry formatted with `args`, for text that is assembled before it is
// shown (a question, a line of a report).
template <typename... Args>
std::string imsg_format(imsg_checked_id<std::decay_t<const Args&>...> id, const Args&... args) {
  return imsg_detail::format(id.catalog, id.index, imsg_detail::pass(args)...);
}

// The unformatted text of an entry (a fixed text, or a format handed on).
template <imsg_message_id E>
const char* imsg_text(E id) {
  return imsg_catalog_text(imsg_catalog_of<E>::catalog, static_cast<int>(id));
}

// The entry `offset` places after `first`, for tables laid out in catalog
// order (one entry per status, per operation); the offset is the caller's to
// keep in range.
template <imsg_message_id E>
constexpr E imsg_offset(E first, int offset) {
  return static_cast<E>(static_cast<int>(first) + offset);
}

// An entry chosen at run time (from a table or by offset) formatted with
// `args`: the conversions are checked when it runs, and an entry that does
// not take these arguments formats a notice naming it instead.
template <imsg_message_id E, typename... Args>
std::string imsg_format_chosen(E id, const Args&... args) {
  using Catalog = imsg_catalog_of<E>;
  int index = static_cast<int>(id);
  if (index < 0 || index >= Catalog::count ||
      !imsg_detail::arguments_match<Args...>(Catalog::signatures[index]))
    return "Message " + std::to_string(index) + " of catalog \"" + Catalog::catalog->name +
           "\" does not take these arguments.\n";
  return imsg_detail::format(Catalog::catalog, index, imsg_detail::pass(args)...);
}

// Prints an entry chosen at run time (by a condition, or handed in by the
// caller) at `severity`, checked as imsg_format_chosen checks it.
template <imsg_message_id E, typename... Args>
void imsg_print_chosen(int severity, E id, const Args&... args) {
  imsg_print_literal(severity, "%s", imsg_format_chosen(id, args...).c_str());
}

#endif  // SERVICES_IMSG_MESSAGE_H
