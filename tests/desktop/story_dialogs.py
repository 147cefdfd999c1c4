"""The host's login window and the calculation-run dialog, as a screen reader and the
window manager meet them: dialogs named by their captions, modal over the host."""

import datetime
import os
import unittest

from clerk import HOSPITAL_CNPJ, DesktopStory, last_month


class Dialogs(DesktopStory):
    def dialog(self, caption):
        c = self.clerk

        def find():
            for i in range(c.app.childCount):
                window = c.app[i]
                if window.name == caption and c._showing(window):
                    return window
            return None

        return self.desktop.wait(find, f"the window '{caption}'")

    def assertModalDialog(self, caption):
        window = self.dialog(caption)
        self.assertEqual(window.getRoleName(), "dialog")
        self.assertIn("_NET_WM_STATE_MODAL",
                      self.desktop.window_property(f"^{caption}$", "_NET_WM_STATE"))
        self.assertIn("_NET_WM_WINDOW_TYPE_DIALOG",
                      self.desktop.window_property(f"^{caption}$", "_NET_WM_WINDOW_TYPE"))

    def test_the_login_and_the_calculation_are_modal_dialogs(self):
        c, d = self.clerk, self.desktop
        database = os.path.join(d.work, "suite.sqlite")
        server = d.start_process("server", [os.path.join(d.bin_dir, "apurfat-server"),
                                            "--init-demo", "--listen", "127.0.0.1:0",
                                            "--db", database])
        listening = d.wait(lambda: [line for line in d.log_of("server").splitlines()
                                    if line.startswith("listening ")], "the server", timeout=60)
        port = listening[0].rsplit(":", 1)[1]
        settings = os.path.join(d.work, "host.ini")
        with open(settings, "w") as f:
            f.write(f"[Login]\nUsuario=demo\n[Servidor]\nWebURL=127.0.0.1\nWebPort={port}\n"
                    f"[BancoDados]\nDriver=QSQLITE\nNome={database}\n")
        c.start("--settings", settings)

        login = "Entrar - Sistemas Integrados Corvana"
        self.assertModalDialog(login)
        c.wait_focus("password text", None)
        d.type("demo-apuracao")
        d.key("Return")
        d.wait(lambda: d.active_window_name() == "Sistemas Integrados Corvana", "the host")
        d.key("alt+d", "Return")
        d.wait(lambda: "Torvo" in d.active_window_name(), "the billing screen")
        c.wait_focus("text", "Filial")

        # The month before last is calculated and adds up: the calculation may run again.
        start = (last_month()[0] - datetime.timedelta(days=1)).replace(day=1)
        end = last_month()[0] - datetime.timedelta(days=1)
        c.fill_filter("1", HOSPITAL_CNPJ, start, end)
        c.press("Apurar Faturamento")
        calculation = "Cálculo Apuração Gestão Torvo"
        self.assertModalDialog(calculation)
        c.click(c.get("push button", "Fechar", root=self.dialog(calculation)))
        d.wait(lambda: "Torvo" in d.active_window_name() and
               d.active_window_name() != calculation, "the dialog to close")
        self.assertIsNone(server.poll())


if __name__ == "__main__":
    unittest.main(warnings="ignore")
