#pragma once
class QWidget;

namespace quilo {
class Station;

// Opens the competitor edit dialog for a card, modal over the owner, and returns when it
// has closed. When the card leads to no competitor of a class it says so and returns.
void OpenEditDialog(Station& station, int ecardId, QWidget* owner);

} // namespace quilo
