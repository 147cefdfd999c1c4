"""A keyboard-only clerk: the services grid takes no local insert or delete and is left by
Tab past its last cell and by Shift+Tab before its first; the shares grid is left the same
ways, its exit checks run on the way out, and Tab past its last cell opens a new row."""

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
        d.wait(lambda: c.focus_in_grid("Serviços"), "the focus in the services")

        # Neither Insert nor Ctrl+Delete asks or changes anything; Down still moves.
        d.key("Insert", "ctrl+Delete", "Down")
        d.wait(lambda: c.current_row("Serviços") == 1, "the second service")
        self.assertEqual(c.column_texts("Serviços", 1), ["Desjejum", "Almoço", "Jantar", "Ceia"])
        self.assertMessagesShown(0)

        # Tab past the last cell leaves the grid; so does Shift+Tab before the first.
        d.key("Down", "Down", "Tab", "Tab")
        d.wait(lambda: c.current_row("Serviços") == 3, "the last service")
        d.key("Tab")
        d.wait(lambda: not c.focus_in_grid("Serviços"), "the focus out of the services")
        self.assertEqual(c.rows("Serviços"), 4)
        c.click_cell("Serviços", 1, 0)
        d.wait(lambda: c.focus_in_grid("Serviços"), "the focus back in the services")
        d.key("Up", "shift+Tab")
        d.wait(lambda: not c.focus_in_grid("Serviços"), "the focus before the services")

        # The daily page of lunch by the menu, the split day, and into its shares by Tab.
        c.click_cell("Serviços", 1, 0)
        d.key("alt+m", "e")
        d.wait(lambda: c.find("table", "Rateio") is not None, "the daily page")
        c.choose_day(halves)
        d.key("Tab")
        d.wait(lambda: c.focus_in_grid("Rateio"), "the focus in the shares")

        # Shift+Tab in the first cell leaves, through the exit's checks: a split that does
        # not add up keeps the clerk there, with its message.
        d.key("ctrl+Home")
        d.type("1")
        d.key("Return", "shift+Tab")
        self.assertEqual(c.answer(), SOMA_DIF)
        d.wait(lambda: c.focus_in_grid("Rateio"), "the focus kept in the shares")
        d.type(quantity_text(half))
        d.key("Return")
        c.wait_cell("Rateio", 0, 0, display_quantity(half))

        # Tab through every cell: past the last one a new row opens; past that untouched
        # row's last cell the grid is left and the row dropped.
        d.key("Tab", "Tab", "Tab", "Tab", "Tab")
        d.wait(lambda: c.rows("Rateio") == 3, "the row Tab opened")
        d.key("Tab", "Tab", "Tab")
        d.wait(lambda: not c.focus_in_grid("Rateio"), "the focus out of the shares")
        self.assertEqual(c.rows("Rateio"), 2)
        self.assertEqual([s[1] for s in c.shares(lunch, halves)], [half, half])
        self.assertMessagesShown(1)


if __name__ == "__main__":
    unittest.main(warnings="ignore")
