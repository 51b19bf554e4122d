#pragma once
// Where the station's record database lives and what the station is called, the same for every
// program of the station.

#include <string>

namespace ardent::records {

// The database file: ARDENT_RECORDS when it names a path; else records.sqlite beside the
// executable when its folder is writable and is not the installation's program folder (a
// build, a copied program folder); else
// $XDG_DATA_HOME/Ardent/records.sqlite (the folder is created). Empty when ARDENT_RECORDS is
// "off": nothing is recorded.
std::string DefaultStationDatabasePath();
// The machine's host name; "station" when it has none.
std::string HostName();
// The station name of a program without settings: ARDENT_STATION when set, else the host name.
std::string StationNameFromEnvironment();

} // namespace ardent::records
