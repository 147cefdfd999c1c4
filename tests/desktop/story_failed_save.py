"""A clerk's change to a share is refused by the server (another clerk changed the same
share meanwhile): no move drops it, each attempt shows the refusal once, and only Cancel,
answered Sim, gives it up."""

import unittest

from clerk import HOSPITAL_CNPJ, DesktopStory, br, last_month


class FailedSave(DesktopStory):
    def test_rows_the_server_refused_stay_until_cancelled(self):
        c, d = self.clerk, self.desktop
        start, end = last_month()
        c.start_demo()
        lunch = c.service_code("Almoço")
        [halves] = c.split_days(lunch, start, end)

        c.fill_filter("1", HOSPITAL_CNPJ, start, end)
        c.open_daily_page("Almoço")
        c.choose_day(halves)
        north = c.row_of("Rateio", 2, "Ala norte")
        c.click_cell("Rateio", north, 2)
        d.type("Ala norte revista")
        d.key("Return")
        c.wait_cell("Rateio", north, 2, "Ala norte revista")
        c.another_clerk_changes_note(lunch, halves, "0001", "Ala norte (outro)")

        c.press("Confirmar")
        refusal = c.answer()
        self.assertIn("alterado por outro usuário", refusal)

        # Another day, by a click: the grid's exit sends again, is refused again, once.
        c.click_cell("Efetivos", c.row_of("Efetivos", 0, br(halves)) + 1, 0)
        self.assertEqual(c.answer(), refusal)
        self.assertEqual(c.current_day(), br(halves))
        # The navigator: the same.
        c.press("Próximo")
        self.assertEqual(c.answer(), refusal)
        self.assertEqual(c.service_on_navigator(), "Almoço")
        self.assertEqual(c.text("Rateio", north, 2), "Ala norte revista")
        self.assertEqual(c.shares(lunch, halves)[0][3], "Ala norte (outro)")
        self.assertMessagesShown(3)

        # Cancel, answered Sim, brings back the rows as loaded; then the day can be left,
        # and coming back shows the other clerk's note.
        c.press("Cancelar")
        self.assertEqual(c.answer("s"), "Deseja cancelar as alterações?")
        c.wait_cell("Rateio", north, 2, "Ala norte")
        c.click_cell("Efetivos", c.row_of("Efetivos", 0, br(halves)) + 1, 0)
        d.wait(lambda: c.current_day() != br(halves), "the next day")
        c.choose_day(halves)
        c.wait_cell("Rateio", north, 2, "Ala norte (outro)")
        self.assertMessagesShown(4)


if __name__ == "__main__":
    unittest.main(warnings="ignore")
