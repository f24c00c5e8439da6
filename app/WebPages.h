// The product's two web pages, opened in the browser by the skin commands
// "web" (about page) and "cont" (home page).
#pragma once

inline constexpr char AboutPageUrl[] = "https://velmora.example/about";
inline constexpr char HomePageUrl[] = "https://velmora.example/";
