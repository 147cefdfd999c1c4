"""A clerk at the keyboard: the services grid takes no local insert or delete and is left by
Tab past its last cell and by Shift+Tab before its first; the shares grid is left by
Shift+Tab too, its exit checks running on the way out, and Tab past its last cell opens a
new row."""

import unittest

from clerk import HOSPITAL_CNPJ, SOMA_DIF, DesktopStory, display_quantity, last_month, \
    quantity_text


class Keyboard(DesktopStory):
    def test_the_grids_are_walked_and_left_with_the_keyboard(self):
        c, d = self.clerk, self.desktop
        start, end = last_month()
        c.start_demo()
        lunch = c.service_code("Almoço")
        [halves] = c.split_days(lunch, start, end)
        half = c.billed(lunch, halves) / 2
        c.fill_filter("1", HOSPITAL_CNPJ, start, end)
        d.key("Tab")  # past the page tabs
        d.wait(lambda: c.focus_in_grid("Serviços"), "the focus in the services")

        # Neither Insert nor Ctrl+Delete asks or changes anything; Down still moves.
        d.key("Insert", "ctrl+Delete", "Down")
        d.wait(lambda: c.current_row("Serviços") == 1, "the second service")
        self.assertEqual(c.column_texts("Serviços", 1), ["Desjejum", "Almoço", "Jantar", "Ceia"])
        self.assertMessagesShown(0)

        # Tab past the last cell leaves the grid for the next stop round the form, the
        # filter, where a new query begins; Shift+Tab before the first cell goes back to
        # the page tabs.
        d.key("Down", "Down", "Tab", "Tab")
        d.wait(lambda: c.current_row("Serviços") == 3, "the last service")
        d.key("Tab")
        c.wait_focus("text", "Filial")
        d.key("Tab", "Tab", "Tab", "Tab", "Tab")
        d.wait(lambda: c.focus_in_grid("Serviços"), "the services again")
        self.assertEqual(c.rows("Serviços"), 4)
        d.key("shift+Tab")
        d.wait(lambda: not c.focus_in_grid("Serviços"), "the focus before the services")
        self.assertEqual(c.rows("Serviços"), 4)

        # The daily page of lunch by the menu, the split day, and its shares.
        d.key("Tab", "Down", "alt+m", "e")
        d.wait(lambda: c.find("table", "Rateio") is not None, "the daily page")
        self.assertEqual(c.service_on_navigator(), "Almoço")
        c.choose_day(halves)
        c.click_cell("Rateio", 1, 0)  # the day list's Tab walks its cells
        d.wait(lambda: c.focus_in_grid("Rateio"), "the focus in the shares")
        d.key("Up")

        # Shift+Tab in the first cell leaves, through the exit's checks: a split that does
        # not add up keeps the clerk there, with its message.
        d.type("1")
        d.key("Return", "shift+Tab")
        self.assertEqual(c.answer(), SOMA_DIF)
        d.wait(lambda: c.focus_in_grid("Rateio"), "the focus kept in the shares")
        d.key("Up")  # the sum check left the last share current
        d.type(quantity_text(half))
        d.key("Return")
        c.wait_cell("Rateio", 0, 0, display_quantity(half))

        # Tab through every cell: past the last one a new row opens, which Esc drops; then
        # Shift+Tab from the first cell leaves, the split adding up again.
        d.key("Tab", "Tab", "Tab", "Tab", "Tab", "Tab")
        d.wait(lambda: c.rows("Rateio") == 3, "the row Tab opened")
        d.key("Escape")
        d.wait(lambda: c.rows("Rateio") == 2, "the new row dropped")
        d.key("ctrl+Home", "shift+Tab")
        d.wait(lambda: not c.focus_in_grid("Rateio"), "the focus out of the shares")
        self.assertEqual(c.rows("Rateio"), 2)
        self.assertEqual([s[1] for s in c.shares(lunch, halves)], [half, half])
        self.assertMessagesShown(1)


if __name__ == "__main__":
    unittest.main(warnings="ignore")
