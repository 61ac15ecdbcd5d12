#pragma once

#include <string>
#include <vector>

// The saved real answers of the online update's sources, kept in tests/data/sources.
namespace brivo::testing {

// The bytes of a file of tests/data/sources.
std::string SavedSource(const std::string& name);
std::string SavedCwlPage();     // the official service's first page of 100 draws, 2026-01-20
std::string SavedCwl302Body();  // what it answers robots: an nginx "302 Found" page
std::string SavedSsqAscFile();  // the 17500 history file, 2003001 to 2023038

// The records of a saved service answer, each exactly as its bytes stand, newest first.
std::vector<std::string> CwlRecords(const std::string& body);
// An answer of the service built the way it pages: the saved page's head with these numbers
// and the records as they stand.
std::string CwlPage(const std::vector<std::string>& records, int page_no, int page_count,
                    int total);

}  // namespace brivo::testing
