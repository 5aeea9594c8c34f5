#pragma once
class QWidget;

namespace quilo {
class Station;

// Opens the spare E-card dialog for a spare card, modal over the owner; on OK the card
// is assigned and station.Tag becomes "*". Used as the station's spare-card prompt.
void OpenSpareDialog(Station& station, int ecardId, QWidget* owner);

} // namespace quilo
