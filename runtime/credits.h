// Who made the tools and which versions they are, as their banners, their
// --version and the generated page credit it.
// Kept in one place so that both tools and the page always agree.
#ifndef KESTREL_RUNTIME_CREDITS_H_
#define KESTREL_RUNTIME_CREDITS_H_

namespace credits {

/// The versions the tools report, in their banners and to --version.
inline constexpr char kKestrelVersion[] = "2.0";
inline constexpr char kWagtailsVersion[] = "1.0";
/// The short notice that follows a tool's name and version.
inline constexpr char kAuthorNotice[] = "(c) 2026 The Kestrel Tools Team";
/// The project's home page, linked from every generated page.
inline constexpr char kSiteAddress[] = "https://kestrel-tools.org/";
/// The link text of that address.
inline constexpr char kSiteTitle[] = "Kestrel Tools";

}  // namespace credits

#endif  // KESTREL_RUNTIME_CREDITS_H_
